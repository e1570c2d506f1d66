#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

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

#ifndef _WIN32

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
            "N: \"5\" is out of range: give a number from 1 to 4"},
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

// Numbers are read as written: plain decimal digits within the option's range. Anything else
// is refused before a port or the record is opened, never read as another number (0x10 as
// 16) nor clamped into the range.
class BadNumber : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadNumber, IsRefusedAsWrittenWithTheRange) {
    DataDir data(false);
    std::vector<std::string> args = GetParam().args;
    if (args[0] != "--data-dir") {
        args.insert(args.begin(), {"--data-dir", data.path()});
    }
    const CliResult result = runCli(args);
    EXPECT_EQ(result.code, 2) << result.err;
    EXPECT_THAT(result.err, HasSubstr(GetParam().message));
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(data.file("tarvolinex.db"))) << "the record was opened";
}

INSTANTIATE_TEST_SUITE_P(
    Refused, BadNumber,
    ::testing::Values(
        BadInputCase{"VisitInHex",
                     {"report", "0x10", "--html", "r.html"},
                     "\"0x10\" is not a whole number in decimal digits"},
        BadInputCase{"VisitNegative",
                     {"--demo", "injectors", "restore", "1", "--visit", "-5"},
                     "\"-5\" is out of range: give a number from 1 to"},
        BadInputCase{"VisitZero", {"report", "0", "--json", "r.json"}, "\"0\" is out of range"},
        BadInputCase{"VisitBeyondItsType",
                     {"report", "99999999999999999999", "--html", "r.html"},
                     "\"99999999999999999999\" is out of range"},
        BadInputCase{"ComInHex", {"--com", "0x2", "ports"}, "\"0x2\" is not a whole number"},
        BadInputCase{"CyclesWithASign",
                     {"--demo", "live", "--module", "cluster", "--cycles", "+3"},
                     "\"+3\" is not a whole number"},
        BadInputCase{"CyclesBeyondItsType",
                     {"--demo", "live", "--module", "cluster", "--cycles", "4294967296"},
                     "\"4294967296\" is out of range"},
        BadInputCase{"InjectorInHex",
                     {"--demo", "injectors", "program", "0x1", "123456789ABCDEF0"},
                     "\"0x1\" is not a whole number"},
        BadInputCase{"DurationNotANumber",
                     {"--demo", "live", "--module", "cluster", "--duration", "nan"},
                     "\"nan\" is not a number in decimal digits"},
        BadInputCase{"DurationTiny",
                     {"--demo", "live", "--module", "cluster", "--duration", "1e-300"},
                     "\"1e-300\" is not a number in decimal digits"},
        BadInputCase{"SpeedNotANumber",
                     {"replay", "r.csv", "--speed", "nan"},
                     "\"nan\" is not a number in decimal digits (0.1 to 100)"},
        BadInputCase{"SpeedTiny",
                     {"replay", "r.csv", "--speed", "0.000001"},
                     "\"0.000001\" is out of range: give a number from 0.1 to 100"},
        BadInputCase{
            "SpeedHuge", {"replay", "r.csv", "--speed", "1000"}, "\"1000\" is out of range"},
        BadInputCase{
            "SpeedInfinite", {"replay", "r.csv", "--speed", "inf"}, "\"inf\" is not a number"},
        BadInputCase{"DataDirectoryNameTooLong",
                     {"--data-dir", "/tmp/" + std::string(300, 'a'), "history"},
                     "has 300 characters; a file system allows at most 255"}),
    [](const auto& info) { return info.param.name; });

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

#ifndef _WIN32
// A device this user may not open: the message says how to get access. Root may open
// anything, so the tester runs as the unprivileged user "nobody" there.
TEST(BadInput, APortWithoutPermissionNamesTheDialoutGroup) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    ASSERT_EQ(::chmod(device.c_str(), geteuid() == 0 ? 0600 : 0), 0);
    DataDir data;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        const CliResult result = runCli({"--port", device, "--data-dir", data.path(), "scan"});
        const ssize_t written = ::write(pipeFds[1], result.err.data(), result.err.size());
        _exit(written < 0 ? 101 : result.code);
    }
    ::close(pipeFds[1]);
    std::string err;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        err.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_THAT(err, HasSubstr("cannot open the serial port " + device +
                               ". No permission to use the serial port: add your user to the "
                               "dialout group"));
}
#endif

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
