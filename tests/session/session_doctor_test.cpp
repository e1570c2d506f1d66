// The doctor inside the session: the settings screen's port list, and after a failed start
// the diagnosis as the hint of the display and, on OK, on the display itself, with the
// failure screens as they always were.
#include <gtest/gtest.h>

#include "session/screens.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;

struct DiagnosisLog final : SessionEvents {
    void connectionDiagnosed(const ConnectionDiagnosis& e) override {
        findings.push_back(e.finding);
    }
    std::vector<Finding> findings;
};

std::vector<link::PortInfo> twoPorts() {
    std::vector<link::PortInfo> ports(2);
    ports[0].device = "/dev/ttyUSB0";
    ports[0].comIndex = 0;
    ports[0].kind = link::PortKind::UsbSerial;
    ports[0].vendor = "FTDI";
    ports[0].alias = "/dev/serial/by-id/usb-FTDI-if00";
    ports[1].device = "/dev/ttyS0";
    ports[1].comIndex = 2;
    ports[1].kind = link::PortKind::BuiltIn;
    return ports;
}

std::string screenOf(const ScreenId id, char language) {
    const auto& lines = screenLines(screen(id), language);
    std::string text;
    for (const char* line : lines) {
        text += std::string(line == nullptr ? "" : line) + "|";
    }
    text.pop_back();
    return text;
}

TEST(PortList, GreysThePortsWithoutADeviceAndSaysWhatEachIs) {
    Bench bench;
    std::vector<link::PortInfo> ports = twoPorts();
    bench.session.setPortLister([&] { return ports; });
    bench.settle();  // no settings file: the settings screen
    ASSERT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_TRUE(bench.view.enabled("RGCom_0"));
    EXPECT_FALSE(bench.view.enabled("RGCom_1", true));
    EXPECT_TRUE(bench.view.enabled("RGCom_2"));
    for (int i = 3; i < 8; ++i) {
        EXPECT_FALSE(bench.view.enabled("RGCom_" + std::to_string(i), true)) << i;
    }
    EXPECT_EQ(bench.view.hints["RGCom_0"],
              "COM1: /dev/ttyUSB0 - USB serial adapter FTDI (/dev/serial/by-id/usb-FTDI-if00)");
    EXPECT_EQ(bench.view.hints["RGCom_2"], "COM3: /dev/ttyS0 - built-in serial port");
    EXPECT_NE(bench.view.hints["RGCom_1"].find("no device"), std::string::npos);

    // An adapter plugged in while the screen waits shows up on the next refresh.
    link::PortInfo plugged = ports[0];
    plugged.device = "/dev/ttyUSB1";
    plugged.comIndex = 1;
    ports.push_back(plugged);
    bench.session.refreshPortList();
    EXPECT_TRUE(bench.view.enabled("RGCom_1"));
}

TEST(PortList, IsNotTouchedAwayFromTheSettingsScreenOrWithoutALister) {
    Bench plain;
    plain.settle();
    EXPECT_EQ(plain.view.controlEnabled.count("RGCom_0"), 0u) << "no lister, no change";
    Bench bench;
    int asked = 0;
    bench.session.setPortLister([&] {
        ++asked;
        return twoPorts();
    });
    bench.startToVehicleLists();
    const int before = asked;
    bench.session.refreshPortList();
    EXPECT_EQ(asked, before) << "the port list is refreshed only while it is shown";
}

TEST(PortList, SpeaksTurkishWhenTheTesterDoes) {
    Bench bench;
    bench.dir.write("tarvol.txt", "4\n2\n");
    bench.port.failing.insert(3);  // COM4 from the file does not open: the settings screen
    bench.session.setPortLister([] { return twoPorts(); });
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_EQ(bench.view.hints["RGCom_2"], "COM3: /dev/ttyS0 - dahili seri port");
    EXPECT_NE(bench.view.hints["RGCom_3"].find("aygıt yok"), std::string::npos);
    EXPECT_FALSE(bench.view.hints["RGCom"].empty()) << "the failed open keeps its own hint";
}

struct FailedStart {
    const char* name;
    std::vector<sim::Fault> faults;
    State waiting;
    ScreenId failureScreen;
    DoctorStage stage;
};

class AfterAFailedStart : public ::testing::TestWithParam<FailedStart> {};

TEST_P(AfterAFailedStart, TheDiagnosisIsTheDisplaysHintAndOkShowsIt) {
    Bench bench;
    DiagnosisLog log;
    bench.session.addListener(log);
    for (const sim::Fault& fault : GetParam().faults) {
        bench.box.addFault(fault);
    }
    bench.startToModuleMenu(false, 1);
    ASSERT_EQ(bench.session.state(), GetParam().waiting);
    // The failure screen stays exactly as it was.
    EXPECT_EQ(bench.view.screen(), screenOf(GetParam().failureScreen, '1'));
    EXPECT_EQ(bench.view.colour, kRed);

    ASSERT_EQ(log.findings.size(), 1u);
    const Finding& finding = log.findings[0];
    EXPECT_EQ(finding.stage, GetParam().stage) << doctorStageName(finding.stage);
    for (const char* line : {"d1", "d2", "d3", "d4"}) {
        EXPECT_EQ(bench.view.hints[line], finding.english) << line;
    }
    EXPECT_TRUE(bench.view.enabled("OK"));
    const std::size_t requests = bench.box.requests().size();
    bench.session.ok();
    EXPECT_EQ(bench.session.state(), GetParam().waiting);
    EXPECT_EQ(bench.view.lines, finding.screenEnglish);
    EXPECT_EQ(bench.box.requests().size(), requests) << "showing the diagnosis sends nothing";

    // BACK leads to the prompt to plug the box in; the old diagnosis goes with it.
    bench.session.back();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::PlugTheBoxWait);
    EXPECT_EQ(bench.view.hints["d1"], "");
    EXPECT_FALSE(bench.session.diagnosis().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AfterAFailedStart,
    ::testing::Values(FailedStart{"SilentBox",
                                  {sim::Fault::silentBox()},
                                  State::BoxSilentWait,
                                  ScreenId::ConnectionFailed,
                                  DoctorStage::BoxSilent},
                      FailedStart{"Garbage",
                                  {sim::Fault::garbage(5, -1)},
                                  State::BoxSilentWait,
                                  ScreenId::ConnectionFailed,
                                  DoctorStage::NotTheBox},
                      FailedStart{"SilentModules",
                                  {sim::Fault::silentModule(1), sim::Fault::silentModule(2),
                                   sim::Fault::silentModule(3), sim::Fault::silentModule(4),
                                   sim::Fault::silentModule(5)},
                                  State::CarSilentWait,
                                  ScreenId::ConnectionFailure,
                                  DoctorStage::NoModule},
                      FailedStart{"SilentCluster",
                                  {sim::Fault::silentModule(5)},
                                  State::CarSilentWait,
                                  ScreenId::ConnectionFailure,
                                  DoctorStage::ModulesAbsent},
                      FailedStart{"LineClosed",
                                  {sim::Fault::lineClosed()},
                                  State::CarSilentWait,
                                  ScreenId::LineLost,
                                  DoctorStage::LineLost}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return std::string(info.param.name); });

TEST(AfterAFailedStart, TheDiagnosisIsInTheTestersLanguage) {
    Bench bench;
    bench.box.addFault(sim::Fault::silentBox());
    bench.startToModuleMenu(false, 1, '2');
    ASSERT_TRUE(bench.session.diagnosis().has_value());
    EXPECT_EQ(bench.view.hints["d1"], bench.session.diagnosis()->turkish);
    bench.session.ok();
    EXPECT_EQ(bench.view.lines, bench.session.diagnosis()->screenTurkish);
}

TEST(AfterAFailedStart, AModuleThatDoesNotAnswerItsButtonIsDiagnosed) {
    Bench bench;
    bench.startToModuleMenu(false, 1);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    bench.box.addFault(sim::Fault::silentModule(3));
    bench.session.selectModule(Module::Abs);
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::CarSilentWait);
    ASSERT_TRUE(bench.session.diagnosis().has_value());
    EXPECT_EQ(bench.session.diagnosis()->stage, DoctorStage::ModuleSilent);
    EXPECT_NE(bench.view.hints["d2"].find("ABS"), std::string::npos);
}

TEST(AfterAFailedStart, ASuccessfulStartLeavesNoDiagnosis) {
    Bench bench;
    DiagnosisLog log;
    bench.session.addListener(log);
    bench.startToModuleMenu(false, 1);
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_TRUE(log.findings.empty());
    EXPECT_EQ(bench.view.hints.count("d1"), 0u);
}

// A module the simulated vehicle does not have is reported as normal, when the probe fails
// for another reason (here the cluster is silent).
TEST(AfterAFailedStart, AModuleTheVehicleLacksIsSaidToBeNormal) {
    sim::Scenario scenario = sim::vehicleScenario("petrol-car");
    scenario.modules[5].protocol = 0;
    Bench bench(scenario);
    bench.session.setModuleExpectation(
        ModuleExpectation{{false, true, true, true, true, false}, "the simulated vehicle"});
    bench.startToModuleMenu(false, 1);
    ASSERT_EQ(bench.session.state(), State::CarSilentWait);
    ASSERT_TRUE(bench.session.diagnosis().has_value());
    EXPECT_TRUE(bench.session.diagnosis()->absenceExpected);
    EXPECT_NE(bench.view.hints["d1"].find("normal"), std::string::npos);
}

}  // namespace
}  // namespace tvx::session
