// The doctor's diagnosis: the first stage that failed and its advice, from what was seen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "doctor/doctor.h"

namespace tvx::session {
namespace {

DoctorObservations opened() {
    DoctorObservations seen;
    seen.port = "/dev/ttyUSB0";
    seen.opened = true;
    link::PortInfo adapter;
    adapter.device = "/dev/ttyUSB0";
    adapter.comIndex = 0;
    adapter.kind = link::PortKind::UsbSerial;
    adapter.vendor = "FTDI";
    seen.present.push_back(adapter);
    return seen;
}

DoctorObservations probed(std::array<std::uint8_t, 6> protocols) {
    DoctorObservations seen = opened();
    seen.presence = PresenceResult::Answered;
    seen.probeRun = true;
    seen.protocols = protocols;
    return seen;
}

DoctorObservations refused(link::OpenFailure failure, std::string holder = {},
                           std::string group = {}) {
    DoctorObservations seen = opened();
    seen.opened = false;
    seen.port = "COM3";
    seen.openError = link::OpenError(failure, "system words", std::move(holder), std::move(group));
    return seen;
}

DoctorObservations presence(PresenceResult result, std::vector<std::uint8_t> bytes = {}) {
    DoctorObservations seen = opened();
    seen.presence = result;
    seen.received = std::move(bytes);
    return seen;
}

struct Case {
    const char* name;
    std::function<DoctorObservations()> seen;
    DoctorStage stage;
    // Words the English and the Turkish advice must hold: what leads the mechanic to the cause.
    std::vector<std::string> english;
    std::vector<std::string> turkish;
};

class Diagnosis : public ::testing::TestWithParam<Case> {};

TEST_P(Diagnosis, FindsTheFirstFailingStageAndSaysWhatToDo) {
    const Case& c = GetParam();
    const Finding finding = diagnose(c.seen());
    EXPECT_EQ(finding.stage, c.stage) << doctorStageName(finding.stage);
    for (const std::string& word : c.english) {
        EXPECT_NE(finding.english.find(word), std::string::npos)
            << "\"" << word << "\" missing from: " << finding.english;
    }
    for (const std::string& word : c.turkish) {
        EXPECT_NE(finding.turkish.find(word), std::string::npos)
            << "\"" << word << "\" missing from: " << finding.turkish;
    }
    EXPECT_NE(finding.english, finding.turkish);
    EXPECT_EQ(finding.english.find('{'), std::string::npos) << "a placeholder left";
    EXPECT_EQ(finding.turkish.find('{'), std::string::npos) << "a placeholder left";
    for (char language : {'1', '2'}) {
        bool anyText = false;
        for (const std::string& line : finding.screen(language)) {
            EXPECT_EQ(line.size(), 24u) << "\"" << line << "\"";
            anyText = anyText || line.find_first_not_of(' ') != std::string::npos;
        }
        EXPECT_TRUE(anyText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stages, Diagnosis,
    ::testing::Values(
        Case{"AllGood",
             [] {
                 return probed({0, 1, 1, 1, 1, 1});
             },
             DoctorStage::AllGood,
             {"fine"},
             {"sağlam"}},
        Case{"PortMissingListsThePortsThere",
             [] { return refused(link::OpenFailure::Missing); },
             DoctorStage::PortMissing,
             {"COM3 is not there", "COM1 = /dev/ttyUSB0", "USB serial adapter FTDI"},
             {"COM3 seri portu yok", "COM1 = /dev/ttyUSB0", "USB seri çevirici FTDI"}},
        Case{"NoPortAtAll",
             [] {
                 DoctorObservations seen = refused(link::OpenFailure::Missing);
                 seen.present.clear();
                 return seen;
             },
             DoctorStage::PortMissing,
             {"no serial port at all", "USB adapter"},
             {"hiç seri port bulunmuyor"}},
        Case{"PermissionGivesTheExactCommand",
             [] { return refused(link::OpenFailure::Permission, "", "uucp"); },
             DoctorStage::CannotOpen,
             {"sudo usermod -aG uucp $USER", "log out"},
             {"sudo usermod -aG uucp $USER"}},
        Case{"PermissionOfRootsGroupGivesNoCommand",
             [] { return refused(link::OpenFailure::Permission, "", "root"); },
             DoctorStage::CannotOpen,
             {"administrator", "system words"},
             {"yöneticiden"}},
        Case{"BusyNamesTheHolder",
             [] { return refused(link::OpenFailure::Busy, "picocom (pid 4711)"); },
             DoctorStage::CannotOpen,
             {"in use by picocom (pid 4711)"},
             {"picocom (pid 4711)"}},
        Case{"BusyWithoutAHolder",
             [] { return refused(link::OpenFailure::Busy); },
             DoctorStage::CannotOpen,
             {"does not say which"},
             {"söylemiyor"}},
        Case{"NotASerialPort",
             [] { return refused(link::OpenFailure::NotSerialPort); },
             DoctorStage::CannotOpen,
             {"not a serial port", "COM1 = /dev/ttyUSB0"},
             {"seri port değil"}},
        Case{"LineLostInThePresenceTest",
             [] { return presence(PresenceResult::LineFailed); },
             DoctorStage::LineLost,
             {"lost", "unplugged"},
             {"koptu"}},
        Case{"LineLostInTheProbe",
             [] {
                 DoctorObservations seen = probed({});
                 seen.probeLineFailed = true;
                 return seen;
             },
             DoctorStage::LineLost,
             {"lost"},
             {"koptu"}},
        Case{"BoxSilentAsksForPowerAndCable",
             [] { return presence(PresenceResult::Silent); },
             DoctorStage::BoxSilent,
             {"OBD socket", "cable", "/dev/ttyUSB0"},
             {"OBD soketinden", "kablosunun"}},
        Case{"GarbageIsAnotherDevice",
             [] {
                 return presence(PresenceResult::WrongByte, {0x3F, 0xA0});
             },
             DoctorStage::NotTheBox,
             {"0x3F 0xA0", "Another device", "wrong port"},
             {"0x3F 0xA0", "başka bir aygıt"}},
        Case{"TheRightByteWithMoreAfterIt",
             [] {
                 return presence(PresenceResult::ExtraBytes, {0x01, 0x55});
             },
             DoctorStage::NotTheBox,
             {"0x01 0x55"},
             {"0x01 0x55"}},
        Case{"AnEchoOfTheProbeIsNotTheBox",
             [] {
                 return probed({0, 40, 41, 42, 43, 44});
             },
             DoctorStage::NotTheBox,
             {"not the box"},
             {"kutu değil"}},
        Case{"NoModuleAsksForTheIgnition",
             [] { return probed({}); },
             DoctorStage::NoModule,
             {"ignition on", "OBD socket"},
             {"Kontağı"}},
        Case{"SomeModulesAbsentNamesThem",
             [] {
                 return probed({0, 1, 1, 0, 0, 1});
             },
             DoctorStage::ModulesAbsent,
             {"PCM, TCM, Cluster answer", "ABS, AirBag do not"},
             {"ABS, AirBag vermiyor"}},
        Case{"AbsentModulesTheVehicleDoesNotHaveAreNormal",
             [] {
                 DoctorObservations seen = probed({0, 1, 1, 0, 1, 1});
                 seen.expected = ModuleExpectation{{false, true, true, false, true, true},
                                                   "the simulated vehicle (van)"};
                 return seen;
             },
             DoctorStage::AllGood,
             {"ABS: none on this vehicle", "the simulated vehicle (van)", "normal"},
             {"normaldir"}},
        Case{"AnAbsentModuleTheVehicleHasIsNot",
             [] {
                 DoctorObservations seen = probed({0, 1, 1, 0, 1, 1});
                 seen.expected = ModuleExpectation{{false, true, true, true, true, true}, "x"};
                 return seen;
             },
             DoctorStage::ModulesAbsent,
             {"ABS do not"},
             {"ABS vermiyor"}},
        Case{"AModuleButtonWithoutAnswer",
             [] {
                 DoctorObservations seen = presence(PresenceResult::Answered);
                 seen.silentModule = Module::Abs;
                 return seen;
             },
             DoctorStage::ModuleSilent,
             {"The ABS did not answer", "ignition on"},
             {"ABS"}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// A port name from the command line or a broken adapter steers no terminal.
TEST(Diagnosis, ShowsOddCharactersOfAPortNameEscaped) {
    DoctorObservations seen = presence(PresenceResult::Silent);
    seen.port = "/dev/tty\x1b[2J\n";
    const Finding finding = diagnose(seen);
    EXPECT_EQ(finding.english.find('\x1b'), std::string::npos);
    EXPECT_NE(finding.english.find("/dev/tty\\x1B[2J\\x0A"), std::string::npos) << finding.english;
}

TEST(Diagnosis, TheAbsentModulesStandOnTheDisplay) {
    const Finding finding = diagnose(probed({0, 1, 1, 0, 1, 0}));
    EXPECT_EQ(finding.absentModules, (std::vector<std::string>{"ABS", "Cluster"}));
    EXPECT_EQ(finding.screenEnglish[1], " ABS CLUSTER            ");
    EXPECT_EQ(finding.screenTurkish[1], " ABS CLUSTER            ");
}

// Every stage's name, as the command line prints it and the support file keeps it.
TEST(Diagnosis, EachStageHasItsName) {
    const std::pair<DoctorStage, const char*> names[] = {
        {DoctorStage::AllGood, "all-good"},
        {DoctorStage::PortMissing, "port-missing"},
        {DoctorStage::CannotOpen, "cannot-open"},
        {DoctorStage::LineLost, "line-lost"},
        {DoctorStage::BoxSilent, "box-silent"},
        {DoctorStage::NotTheBox, "not-the-box"},
        {DoctorStage::NoModule, "no-module"},
        {DoctorStage::ModulesAbsent, "modules-absent"},
        {DoctorStage::ModuleSilent, "module-silent"},
        {DoctorStage::BoxLate, "box-late"},
    };
    for (const auto& [stage, name] : names) {
        EXPECT_STREQ(doctorStageName(stage), name);
    }
}

}  // namespace
}  // namespace tvx::session
