// tarvolinex-cli doctor and ports against the simulated car on a pseudo-terminal: the
// stage found, its exit code, the advice in both languages, the support file read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli_fixture.h"
#include "link/port_info.h"
#include "link/posix_serial_port.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

struct DoctorCase {
    const char* name;
    std::vector<sim::Fault> faults;
    int exitCode;
    std::string finding;
    std::string advice;  // words of the English advice
};

class Doctor : public ::testing::TestWithParam<DoctorCase> {};

TEST_P(Doctor, EndsWithTheStagesExitCodeAndSaysWhatToDo) {
    const DoctorCase& c = GetParam();
    SimulatedCar car;
    for (const sim::Fault& fault : c.faults) {
        car.addFault(fault);
    }
    DataDir data;
    const CliResult result = runCli(onCar(car, data, {"doctor"}));
    EXPECT_EQ(result.code, c.exitCode) << result.out << result.err;
    EXPECT_THAT(result.out, HasSubstr("finding  " + c.finding + "\n"));
    EXPECT_THAT(result.out, HasSubstr(c.advice));
    EXPECT_THAT(result.out, HasSubstr("port     " + car.device()));
    // The presence test and the five probes, nothing else.
    EXPECT_LE(car.requestCount(), 6u);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, Doctor,
    ::testing::Values(
        DoctorCase{"AllGood", {}, 0, "all-good", "the connection is fine"},
        DoctorCase{"SilentBox", {sim::Fault::silentBox()}, 23, "box-silent", "OBD socket"},
        DoctorCase{"Garbage", {sim::Fault::garbage(4, -1)}, 24, "not-the-box", "Another device"},
        DoctorCase{"LineClosed", {sim::Fault::lineClosed()}, 22, "line-lost", "Plug it in"},
        DoctorCase{"OneModuleSilent",
                   {sim::Fault::silentModule(4)},
                   26,
                   "modules-absent",
                   "AirBag do not"},
        DoctorCase{"ProbeAnswerLate",
                   {sim::Fault::lateProbe().forModule(sim::kTcm)},
                   27,
                   "box-late",
                   "answers late: the answers to the TCM probe came after the tester had stopped "
                   "waiting"},
        DoctorCase{"PresenceAnswerLate",
                   {sim::Fault::extraDelay(1300)},
                   27,
                   "box-late",
                   "the answers to the presence test came after"}),
    [](const ::testing::TestParamInfo<DoctorCase>& info) { return std::string(info.param.name); });

TEST(Doctor, APortHeldByAnotherTesterIsInUseAndSaysByWhom) {
    SimulatedCar car;
    link::PosixSerialPort otherTester;
    ASSERT_TRUE(otherTester.openDevice(car.device()));
    DataDir data;
    const CliResult result = runCli(onCar(car, data, {"--lang", "tr", "doctor"}));
    EXPECT_EQ(result.code, 21);
    EXPECT_THAT(result.out, HasSubstr("finding  cannot-open"));
    EXPECT_THAT(result.out, HasSubstr("şu program tarafından kullanılıyor"));
    EXPECT_THAT(result.out, HasSubstr("(pid " + std::to_string(::getpid()) + ")"));
    EXPECT_EQ(car.requestCount(), 0u) << "nothing reached the box";
}

TEST(Doctor, AMissingPortListsThePortsThatAreThere) {
    DataDir data;
    const CliResult result =
        runCli({"--port", "/dev/tvx-no-such-tty", "--data-dir", data.path(), "doctor"});
    EXPECT_EQ(result.code, 20);
    EXPECT_THAT(result.out, HasSubstr("Serial ports present: "));
    const auto ports = link::discoverPorts();
    if (!ports.empty()) {
        EXPECT_THAT(result.out, HasSubstr(ports[0].device));
    }
}

TEST(Doctor, AComNumberBeyondThePortsIsMissing) {
    DataDir data;
    const int missing = static_cast<int>(link::discoverPorts().size()) + 1;
    if (missing > 8) {
        GTEST_SKIP() << "every COM number has a port on this machine";
    }
    const CliResult result =
        runCli({"--com", std::to_string(missing), "--data-dir", data.path(), "doctor"});
    EXPECT_EQ(result.code, 20);
    EXPECT_THAT(result.out, HasSubstr("COM" + std::to_string(missing) + " is not there"));
}

TEST(Doctor, ASimulatedCarWithoutAModuleIsNormal) {
    DataDir data;
    const auto scenario = data.file("no-abs.json");
    std::ofstream(scenario) << R"({"base": "diesel-van", "modules": {"ABS": {"protocol": 0}}})";
    const CliResult result =
        runCli({"--simulate", scenario.string(), "--data-dir", data.path(), "doctor"});
    EXPECT_EQ(result.code, 0) << result.out;
    EXPECT_THAT(result.out, HasSubstr("ABS absent"));
    EXPECT_THAT(result.out, HasSubstr("normal"));
}

TEST(Doctor, SavesASupportFileThatParsesBack) {
    SimulatedCar car;
    car.addFault(sim::Fault::silentBox());
    DataDir data;
    const auto file = data.file("support.json");
    const CliResult result = runCli(onCar(car, data, {"doctor", "--save", file.string()}));
    EXPECT_EQ(result.code, 23);
    std::ifstream in(file);
    const nlohmann::json root = nlohmann::json::parse(in);
    EXPECT_EQ(root["program"]["name"], "tarvolinex-cli");
    EXPECT_EQ(root["doctor"]["stage"], "box-silent");
    EXPECT_EQ(root["settings"]["portDevice"], car.device());
    const auto& events = root["line"]["events"];
    ASSERT_GE(events.size(), 2u);
    bool sentPresence = false;
    bool timedOut = false;
    for (const auto& event : events) {
        sentPresence = sentPresence || (event["event"] == "TX" && event["byte"] == 1);
        timedOut = timedOut || (event["event"] == "timeout" && event["timeoutMs"] == 1000);
    }
    EXPECT_TRUE(sentPresence);
    EXPECT_TRUE(timedOut);
    ASSERT_EQ(root["screens"].size(), 1u);
    EXPECT_EQ(root["screens"][0]["lines"][0], " THE BOX IS SILENT      ");
    EXPECT_TRUE(root["ports"].is_array());
}

TEST(Doctor, RefusesWhatItCannotDoBeforeSendingAnything) {
    SimulatedCar car;
    DataDir data;
    const CliResult demo = runCli({"--demo", "--data-dir", data.path(), "doctor"});
    EXPECT_EQ(demo.code, 2);
    EXPECT_THAT(demo.err, HasSubstr("demonstration mode"));
    const CliResult unwritable =
        runCli(onCar(car, data, {"doctor", "--save", data.path() + "/no/such/folder/s.json"}));
    EXPECT_EQ(unwritable.code, 2);
    EXPECT_THAT(unwritable.err, HasSubstr("cannot write the support file"));
    EXPECT_EQ(car.requestCount(), 0u);
}

TEST(Ports, ListsThePortsWithTheirComNumbersAndDescribesTheDeviceOfPort) {
    SimulatedCar car;
    DataDir data;
    const CliResult result = runCli({"--port", car.device(), "--data-dir", data.path(), "ports"});
    EXPECT_EQ(result.code, 0);
    EXPECT_THAT(result.out,
                HasSubstr("--port " + car.device() + ": pseudo-terminal (COM1..COM8 all open it)"));
    const auto ports = link::discoverPorts();
    for (const link::PortInfo& port : ports) {
        const std::string com = port.comIndex >= 0 ? link::comName(port.comIndex) : "--";
        EXPECT_THAT(result.out, HasSubstr(com)) << port.device;
        EXPECT_THAT(result.out, HasSubstr(port.device));
    }
    EXPECT_EQ(car.requestCount(), 0u) << "listing opens no port";
}

TEST(Ports, AnOddDeviceNameIsShownEscaped) {
    DataDir data;
    const CliResult result =
        runCli({"--port", "/dev/tty\x1b[2J", "--data-dir", data.path(), "ports"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
    EXPECT_THAT(result.out, HasSubstr("/dev/tty\\x1B[2J: no such device"));
}

TEST(ExitCodes, TheDoctorsCodesAreInTheHelp) {
    const CliResult result = runCli({"--help"});
    EXPECT_EQ(result.code, 0);
    for (const char* code :
         {"20  doctor: the serial port is not there", "23  doctor: the box does not answer",
          "26  doctor: some modules do not answer"}) {
        EXPECT_THAT(result.out, HasSubstr(code));
    }
}

}  // namespace
}  // namespace tvx::cli::testing
