#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

#ifndef _WIN32
// Input the tester must refuse before a single byte goes to the box (the box on a
// pseudo-terminal counts what reaches it).
struct BadInputCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const BadInputCase& c, std::ostream* os) {
    *os << c.name;
}

class BadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, IsRefusedWithAClearMessageAndNothingSent) {
    const BadInputCase& c = GetParam();
    SimulatedCar car("diesel-van");
    DataDir data;
    const CliResult result = runCli(onCar(car, data, c.args));
    EXPECT_EQ(result.code, 2);
    EXPECT_THAT(result.err, HasSubstr(c.message));
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(car.bytesReceived(), 0u) << "the box received a byte";
}

INSTANTIATE_TEST_SUITE_P(
    Refused, BadInput,
    ::testing::Values(
        BadInputCase{"UnknownVehicle",
                     {"--vehicle", "KA 1.4", "scan"},
                     "unknown vehicle \"KA 1.4\"; the vehicles are"},
        BadInputCase{"UnknownModule", {"dtc", "read", "ENGINE"}, "unknown module \"ENGINE\""},
        BadInputCase{
            "InjectorUnitIsNoTroubleCodeModule", {"dtc", "clear", "ICU"}, "unknown module \"ICU\""},
        BadInputCase{"ModuleMissing", {"dtc", "read"}, "MODULE is required"},
        BadInputCase{"NoCommand", {}, "A subcommand is required"},
        BadInputCase{"CodeTooShort",
                     {"--vehicle", "FOCUS 1.8 TDCI", "injectors", "program", "1", "12345"},
                     "has 5 characters: it needs exactly 16 hexadecimal digits"},
        BadInputCase{
            "CodeTooLong",
            {"--vehicle", "FOCUS 1.8 TDCI", "injectors", "program", "1", "123456789ABCDEF01"},
            "has 17 characters"},
        BadInputCase{
            "CodeWithAWrongCharacter",
            {"--vehicle", "FOCUS 1.8 TDCI", "injectors", "program", "1", "123456789ABCDEFG"},
            "has a character other than 0-9 and A-F"},
        BadInputCase{
            "CodeOfDashes",
            {"--vehicle", "FOCUS 1.8 TDCI", "injectors", "program", "1", "----------------"},
            "is only dashes"},
        BadInputCase{
            "InjectorNumberOutOfRange",
            {"--vehicle", "FOCUS 1.8 TDCI", "injectors", "program", "5", "123456789ABCDEF0"},
            "N: Value 5 not in range 1 to 4"},
        BadInputCase{"VehicleWithoutInjectorUnit",
                     {"--vehicle", "FIESTA 1.4 TDCI", "injectors", "read"},
                     "the FIESTA  1.4 TDCI has no injector control unit"},
        BadInputCase{
            "InjectorsWithoutVehicle", {"injectors", "read"}, "injector codes need --vehicle"},
        BadInputCase{"LiveWithoutVehicle", {"live", "--cycles", "1"}, "live data needs --vehicle"},
        BadInputCase{"LiveOfAnotherModule", {"live", "--module", "abs"}, "--module"},
        BadInputCase{"ZeroCycles", {"--vehicle", "KA 1.3i", "live", "--cycles", "0"}, "--cycles"},
        BadInputCase{"UnknownLanguage", {"--lang", "de", "scan"}, "--lang"},
        BadInputCase{"ComAndPortTogether", {"--com", "2", "scan"}, "excludes"},
        BadInputCase{"TraceThatCannotBeWritten",
                     {"--trace", "/nonexistent/dir/t.log", "scan"},
                     "cannot write the trace file"}),
    [](const auto& info) { return info.param.name; });
#endif

TEST(BadInput, AnUnknownSimulatedVehicleIsRefused) {
    DataDir data;
    const CliResult result = runCli({"--simulate", "lorry", "--data-dir", data.path(), "scan"});
    EXPECT_EQ(result.code, 2);
    EXPECT_THAT(result.err, HasSubstr("--simulate: "));
    EXPECT_THAT(result.err, HasSubstr("lorry"));
}

TEST(BadInput, APortThatCannotBeOpenedHasItsOwnExitCode) {
    DataDir data;
    const CliResult result =
        runCli({"--port", "/dev/nonexistent-tty", "--data-dir", data.path(), "scan"});
    EXPECT_EQ(result.code, 3);
    EXPECT_THAT(result.err, HasSubstr("cannot open the serial port /dev/nonexistent-tty"));
}

TEST(Help, EveryCommandHasItsOwn) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"scan", "--help"},
                                               {"dtc", "read", "--help"},
                                               {"dtc", "clear", "--help"},
                                               {"live", "--help"},
                                               {"injectors", "read", "--help"},
                                               {"injectors", "program", "--help"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.code, 0) << args.front();
        EXPECT_THAT(result.out, HasSubstr("Usage: tarvolinex-cli")) << args.front();
        EXPECT_THAT(result.out, HasSubstr("7  clearing trouble codes or programming"));
    }
}

}  // namespace
}  // namespace tvx::cli::testing
