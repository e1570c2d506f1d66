#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_fixture.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

// A command run end to end against the simulated car: exit code and the whole of stdout.
struct CommandCase {
    const char* name;
    const char* vehicle;
    std::vector<std::string> args;
    int exitCode;
    std::string out;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class Command : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Command, PrintsItsResultsAndExitsWithItsCode) {
    const CommandCase& c = GetParam();
    SimulatedCar car(c.vehicle);
    DataDir data;
    const CliResult result = runCli(onCar(car, data, c.args));
    EXPECT_EQ(result.code, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    EndToEnd, Command,
    ::testing::Values(
        CommandCase{"ScanPetrol",
                    "petrol-car",
                    {"scan"},
                    0,
                    "box      answered\nPCM      protocol 1\nTCM      protocol 1\n"
                    "ABS      protocol 1\nAirBag   protocol 1\nCluster  protocol 1\n"
                    "VIN      WF0AXXGAJA1B23456\n"},
        CommandCase{"ScanDieselWithInjectorUnit",
                    "diesel-van",
                    {"--vehicle", "FOCUS 1.8 TDCI", "scan"},
                    0,
                    "box      answered\nPCM      protocol 2\nTCM      protocol 2\n"
                    "ABS      protocol 2\nAirBag   protocol 2\nCluster  protocol 2\n"
                    "ICU      offered for this vehicle\nVIN      WF0XXXTTGX8C12345\n"},
        CommandCase{"ScanDieselWithoutInjectorUnit",
                    "diesel-van",
                    {"--vehicle", "focus 1.6 tdci", "scan"},
                    0,
                    "box      answered\nPCM      protocol 2\nTCM      protocol 2\n"
                    "ABS      protocol 2\nAirBag   protocol 2\nCluster  protocol 2\n"
                    "VIN      WF0XXXTTGX8C12345\n"},
        CommandCase{"DtcReadPcm",
                    "petrol-car",
                    {"dtc", "read", "PCM"},
                    0,
                    "PCM: 3 stored trouble codes\nP0171 System Too Lean (Bank 1)\n"
                    "P0300 Random/Multiple Cylinder Misfire Detected\n"
                    "P0420 Catalyst System Efficiency Below Threshold (Bank 1)\n"},
        CommandCase{"DtcReadAbsLowerCase",
                    "petrol-car",
                    {"dtc", "read", "abs"},
                    0,
                    "ABS: 1 stored trouble code\nC0210 UNDEFINED DTC\n"},
        CommandCase{"DtcReadClusterInTurkish",
                    "petrol-car",
                    {"--lang", "tr", "dtc", "read", "Cluster"},
                    0,
                    "Cluster: 1 stored trouble code\n"
                    "U0155 G\xC3\xB6sterge Paneli Kontrol Mod\xC3\xBCl\xC3\xBC ile "
                    "\xC4\xB0leti\xC5\x9Fim Kesildi\n"},
        CommandCase{"DtcReadNothingStored",
                    "diesel-van",
                    {"dtc", "read", "ABS"},
                    0,
                    "ABS: 0 stored trouble codes\n"},
        CommandCase{"DtcReadProtocolTwo",
                    "diesel-van",
                    {"dtc", "read", "airbag"},
                    0,
                    "AirBag: 1 stored trouble code\nB1001 Body Control Module Configuration "
                    "Error\n"},
        CommandCase{"DtcClearConfirmedByOption",
                    "petrol-car",
                    {"dtc", "clear", "PCM", "--yes"},
                    0,
                    "PCM: trouble codes cleared\n"},
        CommandCase{"InjectorsRead",
                    "diesel-van",
                    {"--vehicle", "TRANSIT connect 1.8 TDCI", "injectors", "read"},
                    0,
                    "Injector 1  123456789ABCDEF0\nInjector 2  8877665544332211\n"
                    "Injector 3  21436587A9CBED0F\nInjector 4  0A1B2C3D4E5F6071\n"}),
    [](const auto& info) { return info.param.name; });

// A fault of the simulated car and the exit code and message it must give.
struct FaultCase {
    const char* name;
    sim::Fault fault;
    std::vector<std::string> args;
    int exitCode;
    const char* message;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class CarFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CarFault, EndsWithItsOwnExitCodeAndSaysWhy) {
    const FaultCase& c = GetParam();
    SimulatedCar car;
    car.addFault(c.fault);
    DataDir data;
    const CliResult result = runCli(onCar(car, data, c.args));
    EXPECT_EQ(result.code, c.exitCode) << result.err;
    EXPECT_THAT(result.err, HasSubstr(c.message));
}

sim::Fault fault(sim::FaultKind kind, int module = 0,
                 std::optional<std::uint16_t> identifier = std::nullopt) {
    sim::Fault f;
    f.kind = kind;
    f.module = module;
    f.identifier = identifier;
    return f;
}

INSTANTIATE_TEST_SUITE_P(Outcomes, CarFault,
                         ::testing::Values(FaultCase{"SilentBox",
                                                     fault(sim::FaultKind::SilentBox),
                                                     {"scan"},
                                                     4,
                                                     "interface box does not answer"},
                                           FaultCase{"LineDrops",
                                                     fault(sim::FaultKind::LineClosed),
                                                     {"scan"},
                                                     4,
                                                     "line to the box was lost"},
                                           FaultCase{
                                               "SilentCluster",
                                               fault(sim::FaultKind::SilentModule, sim::kCluster),
                                               {"scan"},
                                               5,
                                               "the car does not answer"},
                                           FaultCase{"AbsIgnoresTheScan",
                                                     fault(sim::FaultKind::SilentModule, sim::kAbs),
                                                     {"dtc", "read", "ABS"},
                                                     5,
                                                     "opening the ABS: the module is absent"},
                                           FaultCase{"CountReadFails",
                                                     fault(sim::FaultKind::WrongEcho, 0, 0x0200),
                                                     {"dtc", "read", "PCM"},
                                                     6,
                                                     "reading the trouble codes of the PCM"},
                                           // The rest of a reply a killed tester left
                                           // comes before the box's answer: let pass.
                                           FaultCase{"StaleBytesBeforeTheBoxTest",
                                                     sim::Fault::staleBytes(3, 1),
                                                     {"dtc", "read", "PCM"},
                                                     0,
                                                     "Reading the trouble codes of the PCM"},
                                           FaultCase{"ClearRefused",
                                                     fault(sim::FaultKind::CountZero, sim::kPcm),
                                                     {"dtc", "clear", "PCM", "--yes"},
                                                     7,
                                                     "clearing the trouble codes of the PCM"}),
                         [](const auto& info) { return info.param.name; });

// dtc clear asks first: only a yes clears; no, or no answer at all, leaves every code.
struct ConfirmCase {
    const char* name;
    const char* input;
    int exitCode;
    bool cleared;
};

void PrintTo(const ConfirmCase& c, std::ostream* os) {
    *os << c.name;
}

class ClearConfirmation : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(ClearConfirmation, OnlyAYesClears) {
    const ConfirmCase& c = GetParam();
    SimulatedCar car;
    DataDir data;
    ASSERT_FALSE(car.storedCodes(sim::kPcm).empty());
    const CliResult result = runCli(onCar(car, data, {"dtc", "clear", "PCM"}), c.input);
    EXPECT_EQ(result.code, c.exitCode) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Clear the stored trouble codes of the PCM? [y/N]"));
    EXPECT_EQ(car.storedCodes(sim::kPcm).empty(), c.cleared);
    EXPECT_FALSE(car.storedCodes(sim::kAbs).empty()) << "another module's codes went too";
}

INSTANTIATE_TEST_SUITE_P(Answers, ClearConfirmation,
                         ::testing::Values(ConfirmCase{"Yes", "y\n", 0, true},
                                           ConfirmCase{"TurkishYes", "evet\n", 0, true},
                                           ConfirmCase{"No", "n\n", 8, false},
                                           ConfirmCase{"JustEnter", "\n", 8, false},
                                           ConfirmCase{"EndOfInput", "", 8, false}),
                         [](const auto& info) { return info.param.name; });

TEST(Scan, AModuleMissingFromTheCarIsListedAbsent) {
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    car.modules[sim::kTcm].protocol = 0;
    SimulatedCar sim(car);
    DataDir data;
    const CliResult result = runCli(onCar(sim, data, {"scan"}));
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("TCM      absent\nABS      protocol 1\n"));
}

// The ABS answers its probe 3.5 s late, after the 3000 ms time-out. Its answer is set aside,
// never credited to the AirBag probed next; the modules answer 1, 2, 3, 1, 2 so a neighbour's
// protocol would show.
TEST(Scan, AProbeAnswerThatComesLateIsSetAsideAndTheScanSaysSo) {
    sim::Scenario scenario = sim::vehicleScenario("petrol-car");
    const std::uint8_t own[] = {0, 1, 2, 3, 1, 2};
    for (int module = sim::kPcm; module <= sim::kCluster; ++module) {
        scenario.modules[static_cast<std::size_t>(module)].protocol = own[module];
    }
    scenario.faults = {sim::Fault::lateProbe().forModule(sim::kAbs)};
    SimulatedCar car(scenario);
    DataDir data;
    const CliResult result = runCli(onCar(car, data, {"scan"}));
    EXPECT_EQ(result.code, 15) << result.err;
    EXPECT_THAT(result.out, HasSubstr("PCM      protocol 1\nTCM      protocol 2\n"
                                      "ABS      answered late, set aside\n"
                                      "AirBag   protocol 1\nCluster  protocol 2\n"));
    EXPECT_THAT(result.err, HasSubstr("the box answers late: the probe answers of ABS came after "
                                      "their time-out and were set aside"));
}

TEST(Scan, AVinWithControlBytesNeverReachesTheTerminalRaw) {
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    car.vin = std::string("WF0\x1b[2J\0XXGAJ\x07\\1A", 17);
    SimulatedCar sim(car);
    DataDir data;
    const CliResult result = runCli(onCar(sim, data, {"scan"}));
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("VIN      WF0\\x1B[2J\\x00XXGAJ\\x07\\x5C1A\n"));
    for (const char c : result.out) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
    }
}

TEST(DtcRead, AModuleThatIgnoresItsOpeningBytesIsReported) {
    // A cluster protocol the tester has no opening bytes for: nothing goes out, no byte
    // comes back, and the module counts as silent.
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    car.modules[sim::kCluster].protocol = 4;
    SimulatedCar sim(car);
    DataDir data;
    const CliResult result = runCli(onCar(sim, data, {"dtc", "read", "Cluster"}));
    EXPECT_EQ(result.code, 5);
    EXPECT_THAT(result.err, HasSubstr("opening the Cluster: the module does not answer"));
    EXPECT_EQ(result.out, "");
}

TEST(DtcRead, WithoutACatalogueTheCodesAreStillListed) {
    SimulatedCar car;
    DataDir empty(false);
    const CliResult result = runCli(onCar(car, empty, {"dtc", "read", "PCM"}));
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "PCM: 3 stored trouble codes\nP0171\nP0300\nP0420\n");
    EXPECT_THAT(result.err, HasSubstr("catalogue is missing"));
}

TEST(DtcRead, TellsItsProgressOnStandardError) {
    SimulatedCar car;
    DataDir data;
    const CliResult result = runCli(onCar(car, data, {"dtc", "read", "PCM"}));
    EXPECT_THAT(result.err, HasSubstr("Connecting to " + car.device()));
    EXPECT_THAT(result.err, HasSubstr("Reading the trouble codes of the PCM"));
    EXPECT_THAT(result.out, ::testing::Not(HasSubstr("Reading")));
}

TEST(Demo, ReadsTheDemonstrationCodesWithoutAPort) {
    DataDir data;
    const CliResult result = runCli({"--demo", "--data-dir", data.path(), "dtc", "read", "PCM"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("PCM: 3 stored trouble codes\nP0100 "));
    EXPECT_THAT(result.out, HasSubstr("\nP0200 "));
    EXPECT_THAT(result.out, HasSubstr("\nP0300 "));
}

TEST(Trace, TheSimulatorSeesTheBytesOfARun) {
    SimulatedCar car;
    DataDir data;
    ASSERT_EQ(runCli(onCar(car, data, {"scan"})).code, 0);
    EXPECT_GT(car.bytesReceived(), 5u) << "the check of 'nothing sent' could never fail";
}

TEST(Trace, LogsTheBytesOfTheRun) {
    SimulatedCar car;
    DataDir data;
    const std::string trace = data.file("line.log").string();
    const CliResult result = runCli(onCar(car, data, {"--trace", trace, "scan"}));
    ASSERT_EQ(result.code, 0) << result.err;
    std::ifstream in(trace);
    std::string first;
    std::getline(in, first);
    EXPECT_THAT(first, HasSubstr("TX 01")) << "the presence test comes first";
}

}  // namespace
}  // namespace tvx::cli::testing
