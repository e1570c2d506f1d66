// live --only: fast mode on the command line, over a pseudo-terminal to the simulated car.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/live_choice.h"
#include "cli_fixture.h"
#include "session/live_pages.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> fileLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t cells(const std::string& line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

// How the names are written: as in the header, with or without the unit, in any case.
struct ChoiceCase {
    const char* name;
    const char* only;
    std::vector<std::string> headers;  // chosen, in the page's order
};

class ColumnChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ColumnChoiceTest, NamesTheColumnsInThePagesOrder) {
    const session::LivePage& page = *session::livePageForModel(true, 4);  // FOCUS 1.8 TDCI
    const ColumnChoice choice = chooseColumns(page, GetParam().only, '1');
    ASSERT_EQ(choice.error, "");
    std::vector<std::string> headers;
    for (const LiveColumn& column : choice.columns) {
        headers.push_back(columnHeader(column));
    }
    EXPECT_EQ(headers, GetParam().headers);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ColumnChoiceTest,
    ::testing::Values(ChoiceCase{"Name", "engine speed", {"engine speed [rpm]"}},
                      ChoiceCase{"Header", "engine speed [rpm]", {"engine speed [rpm]"}},
                      ChoiceCase{"AnyCaseAndSpaces",
                                 " Fuel Rail Pressure ,ENGINE SPEED",
                                 {"engine speed [rpm]", "fuel rail pressure [bar]"}},
                      ChoiceCase{"SwitchState", "air conditioning", {"air conditioning"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColumnChoice, AnUnknownNameListsTheValidOnesInEitherLanguage) {
    const session::LivePage& page = session::clusterPage();
    const ColumnChoice english = chooseColumns(page, "odometer,boost", '1');
    EXPECT_TRUE(english.columns.empty());
    EXPECT_EQ(english.error,
              "this page has no value \"boost\"; its values are: odometer, fuel level, "
              "trouble codes");
    const ColumnChoice turkish = chooseColumns(page, "boost", '2');
    EXPECT_THAT(turkish.error, HasSubstr("\"boost\" adlı değer yok"));
    EXPECT_THAT(turkish.error, HasSubstr("odometer, fuel level, trouble codes"));
    EXPECT_THAT(chooseColumns(page, "odometer,", '1').error, HasSubstr("no value \"\""));
}

#ifndef _WIN32
const std::vector<std::string> kDiesel{"--vehicle", "FOCUS 1.8 TDCI"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(LiveOnly, AnUnknownNameIsRefusedBeforeAnythingIsSent) {
    SimulatedCar car("diesel-van");
    DataDir data;
    for (const char* language : {"en", "tr"}) {
        const CliResult result = runCli(
            onCar(car, data,
                  with(kDiesel, {"--lang", language, "live", "--only", "boost", "--cycles", "1"})));
        EXPECT_EQ(result.code, 2) << result.err;
        EXPECT_THAT(result.err, HasSubstr("engine speed, fuel rail pressure"));
    }
    EXPECT_EQ(car.bytesReceived(), 0u);
}

TEST(LiveOnly, PollsOnlyTheChosenValuesAndRecordsOnlyTheirColumnsWhichReplay) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::filesystem::path csv = data.file("fast.csv");
    const std::filesystem::path recording = data.file("fast-rec.csv");
    const std::size_t before = car.requestCount();
    const CliResult result =
        runCli(onCar(car, data,
                     with(kDiesel, {"live", "--only", "fuel rail pressure,engine speed", "--cycles",
                                    "5", "--csv", csv.string(), "--record", recording.string()})));
    ASSERT_EQ(result.code, 0) << result.err;
    const std::vector<std::string> log = fileLines(csv);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], "time [s],engine speed [rpm],fuel rail pressure [bar]");
    for (std::size_t row = 1; row < log.size(); ++row) {
        EXPECT_EQ(cells(log[row]), 3u) << log[row];
        EXPECT_THAT(log[row], ::testing::Not(HasSubstr(",,"))) << "a value is missing";
    }
    const std::vector<std::string> recorded = fileLines(recording);
    ASSERT_EQ(recorded.size(), 6u);
    EXPECT_EQ(recorded[0], log[0]);
    // The same run over the whole page asks for 18 values a cycle instead of 2.
    const std::size_t fast = car.requestCount() - before;
    const CliResult whole =
        runCli(onCar(car, data, with(kDiesel, {"live", "--cycles", "5", "--csv", csv.string()})));
    ASSERT_EQ(whole.code, 0) << whole.err;
    EXPECT_EQ(car.requestCount() - before - fast, fast + 5u * 16u);

    const CliResult replay = runCli(onCar(car, data, {"replay", recording.string(), "--csv"}));
    ASSERT_EQ(replay.code, 0) << replay.err;
    std::ifstream in(recording, std::ios::binary);
    std::ostringstream file;
    file << in.rdbuf();
    EXPECT_EQ(replay.out, file.str()) << "played back as recorded";
}
#endif

}  // namespace
}  // namespace tvx::cli::testing
