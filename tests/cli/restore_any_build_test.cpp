// Restore after a cut run and a successful retry, with the simulated car of --simulate: in
// a build with the workshop record it weighs the record's runs, in one without (Windows)
// the injector code journal's. Either way the mixed code the retry began from is never
// written back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "link/injector_codes.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kNewCode = "0123456789ABCDEF";
constexpr int kSlot = 2;  // injector 3

// The diesel van with its injector 3 holding `code`, and faults given as JSON.
std::string scenario(const DataDir& data, const std::string& name, const std::string& code,
                     const std::string& faults = "") {
    const sim::Scenario van = sim::vehicleScenario("diesel-van");
    std::string codes;
    for (int slot = 1; slot <= 4; ++slot) {
        codes += std::string(slot > 1 ? ", " : "") + "\"" +
                 (slot == kSlot ? code
                                : session::injectorCodeText(
                                      van.injectorCodes[static_cast<std::size_t>(slot - 1)])) +
                 "\"";
    }
    const auto path = data.file(name + ".json");
    std::ofstream(path) << R"({"base": "diesel-van", "injector_codes": [)" << codes
                        << R"(], "faults": [)" << faults << "]}";
    return path.string();
}

CliResult injectors(const DataDir& data, const std::string& car, std::vector<std::string> command) {
    std::vector<std::string> args{
        "--simulate", car, "--data-dir", data.path(), "--vehicle", "MONDEO 2.0 TDCI", "injectors"};
    args.insert(args.end(), command.begin(), command.end());
    return runCli(args);
}

TEST(RestoreInAnyBuild, NeverWritesBackTheMixedCodeARetryBeganFrom) {
    DataDir data;
    const std::string original = session::injectorCodeText(
        sim::vehicleScenario("diesel-van").injectorCodes[static_cast<std::size_t>(kSlot - 1)]);
    const std::string mixed = std::string(kNewCode).substr(0, 8) + original.substr(8);
    // The read is the unit's requests 1..13, the run's 14..: after the first half's store
    // (18) the unit goes silent, for the write-back and the read after it too.
    std::string silent;
    for (int request : {19, 20, 21}) {
        silent += std::string(silent.empty() ? "" : ", ") +
                  R"({"kind": "silent-module", "module": "ICU", "injector_request": )" +
                  std::to_string(request) + "}";
    }
    const CliResult cut = injectors(data, scenario(data, "cut", original, silent),
                                    {"program", "3", kNewCode, "--yes"});
    ASSERT_EQ(cut.code, 11) << cut.err;
    // The car as that run left it: programmed again from the mixed code, to the end.
    const CliResult retried =
        injectors(data, scenario(data, "mixed", mixed), {"program", "3", kNewCode, "--yes"});
    ASSERT_EQ(retried.code, 0) << retried.err;

    const CliResult restored =
        injectors(data, scenario(data, "programmed", kNewCode), {"restore", "3", "--yes"});
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_THAT(restored.err, HasSubstr("holds " + original + " from before run 1"));
    EXPECT_EQ(restored.out, "Injector 3 programmed: " + original + " (read back)\n");

    const CliResult listed = runCli({"--data-dir", data.path(), "injectors", "runs", "3"});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr(mixed + "?"));
}

}  // namespace
}  // namespace tvx::cli::testing
