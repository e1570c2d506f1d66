#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <fstream>

#include "cli/live_columns.h"
#include "cli/live_log.h"
#include "cli/vehicle_choice.h"
#include "cli_fixture.h"
#include "session/live_pages.h"

namespace tvx::cli::testing {
namespace {

using Table = std::vector<std::vector<std::string>>;

Table readCsv(const std::filesystem::path& file) {
    std::ifstream in(file);
    Table table;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;
             start = comma + 1) {
            cells.push_back(line.substr(start, comma - start));
        }
        cells.push_back(line.substr(start));
        table.push_back(std::move(cells));
    }
    return table;
}

bool isNumber(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

bool isSwitchState(const std::string& text) {
    return text == "ON" || text == "OFF";
}

const session::LivePage& pageOf(const char* vehicle) {
    const VehicleChoice choice = *findVehicle(vehicle);
    return *session::livePageForModel(choice.diesel, choice.index);
}

std::vector<std::string> expectedHeader(const session::LivePage& page) {
    std::vector<std::string> header{"time [s]"};
    for (const LiveColumn& column : liveColumns(page)) {
        header.push_back(columnHeader(column));
    }
    return header;
}

// Each live page, polled for a few cycles on the car of its kind.
struct PageCase {
    const char* simVehicle;
    const char* vehicle;
    int cycles;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.vehicle;
}

class LiveCsv : public ::testing::TestWithParam<PageCase> {};

TEST_P(LiveCsv, HasTheHeaderOneRowPerCycleAndANumberInEveryCell) {
    const PageCase& c = GetParam();
    SimulatedCar car(c.simVehicle);
    DataDir data;
    const std::filesystem::path csv = data.file("live.csv");
    const CliResult result = runCli(onCar(car, data,
                                          {"--vehicle", c.vehicle, "live", "--csv", csv.string(),
                                           "--cycles", std::to_string(c.cycles)}));
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "") << "with --csv the rows go to the file only";

    const Table table = readCsv(csv);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(c.cycles) + 1);
    EXPECT_EQ(table[0], expectedHeader(pageOf(c.vehicle)));
    double previous = -1;
    for (std::size_t row = 1; row < table.size(); ++row) {
        ASSERT_EQ(table[row].size(), table[0].size()) << "row " << row;
        ASSERT_TRUE(isNumber(table[row][0])) << table[row][0];
        const double seconds = std::stod(table[row][0]);
        EXPECT_GE(seconds, previous) << "time stamps go forward";
        previous = seconds;
        for (std::size_t column = 1; column < table[row].size(); ++column) {
            const std::string& cell = table[row][column];
            EXPECT_TRUE(isNumber(cell) || isSwitchState(cell))
                << table[0][column] << " in row " << row << ": \"" << cell << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, LiveCsv,
                         ::testing::Values(PageCase{"petrol-car", "KA 1.3i", 3},
                                           PageCase{"petrol-car", "FIESTA  1.4i", 2},
                                           PageCase{"petrol-car", "FOCUS  1.6i", 2},
                                           PageCase{"petrol-car", "FOCUS vct 1.6i", 2},
                                           PageCase{"petrol-car", "FOCUS ghia 1.6", 2},
                                           PageCase{"diesel-van", "FOCUS 1.8 TDCI", 3},
                                           PageCase{"diesel-van", "FUSION 1.4 TDCI", 2},
                                           PageCase{"diesel-van", "FOCUS cmax 1.6 TDCI", 2},
                                           PageCase{"diesel-van", "FOCUS 1.6 TDCI", 2}));

// A read the simulator spoils leaves its cell empty; the other cells keep their numbers.
struct FailedReadCase {
    const char* name;
    int spoiled;  // how many engine-speed reads fail, -1 = all
    std::vector<bool> emptyRows;
};

void PrintTo(const FailedReadCase& c, std::ostream* os) {
    *os << c.name;
}

class LiveCsvFailedRead : public ::testing::TestWithParam<FailedReadCase> {};

TEST_P(LiveCsvFailedRead, LeavesAnEmptyCellInItsRowOnly) {
    const FailedReadCase& c = GetParam();
    SimulatedCar car;
    sim::Fault fault;
    // The box answers with a count of 0: a failed read that leaves nothing behind on the line.
    fault.kind = sim::FaultKind::CountZero;
    fault.identifier = 0x1165;  // engine speed as the KA page reads it
    fault.count = c.spoiled;
    car.addFault(fault);
    DataDir data;
    const std::filesystem::path csv = data.file("live.csv");
    const CliResult result = runCli(onCar(car, data,
                                          {"--vehicle", "KA 1.3i", "live", "--csv", csv.string(),
                                           "--cycles", std::to_string(c.emptyRows.size())}));
    ASSERT_EQ(result.code, 0) << result.err;
    const long failed = std::count(c.emptyRows.begin(), c.emptyRows.end(), true);
    EXPECT_THAT(result.err, ::testing::HasSubstr(std::to_string(failed) + " of "));
    const Table table = readCsv(csv);
    ASSERT_EQ(table.size(), c.emptyRows.size() + 1);
    ASSERT_EQ(table[0][1], "engine speed [rpm]");
    for (std::size_t row = 1; row < table.size(); ++row) {
        EXPECT_EQ(table[row][1].empty(), c.emptyRows[row - 1]) << "row " << row;
        if (!c.emptyRows[row - 1]) {
            EXPECT_TRUE(isNumber(table[row][1])) << table[row][1];
        }
        for (std::size_t column = 2; column < table[row].size(); ++column) {
            EXPECT_TRUE(isNumber(table[row][column])) << table[0][column] << " row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LiveCsvFailedRead,
                         ::testing::Values(FailedReadCase{"Every", -1, {true, true, true}},
                                           FailedReadCase{"FirstOnly", 1, {true, false, false}},
                                           FailedReadCase{"FirstTwo", 2, {true, true, false}}),
                         [](const auto& info) { return info.param.name; });

// A run in which no read succeeded is no result, whatever the rows look like.
TEST(LiveCsv, ARunWithoutASingleGoodReadEndsWithTheReadFailureCode) {
    SimulatedCar car;
    car.addFault(sim::Fault::countZero(-1));
    DataDir data;
    const std::filesystem::path csv = data.file("live.csv");
    const CliResult result = runCli(
        onCar(car, data, {"--vehicle", "KA 1.3i", "live", "--csv", csv.string(), "--cycles", "2"}));
    EXPECT_EQ(result.code, 6);
    EXPECT_THAT(result.err, ::testing::HasSubstr("24 of 24 readings of the PCM failed"));
    EXPECT_EQ(readCsv(csv).size(), 3u) << "the rows are still written";
}

// Every row's write is checked: a log that cannot be written ends the run with its own code
// and says why, never "cycles written".
TEST(LiveCsv, ALogThatCannotBeWrittenEndsWithTheOutputCode) {
    SimulatedCar car;
    DataDir data;
    const CliResult result = runCli(
        onCar(car, data, {"live", "--module", "cluster", "--csv", "/dev/full", "--cycles", "3"}));
    EXPECT_EQ(result.code, 14);
    EXPECT_THAT(result.err,
                ::testing::HasSubstr("cannot write /dev/full: No space left on device"));
    EXPECT_THAT(result.err, ::testing::Not(::testing::HasSubstr("cycles written")));
}

TEST(LiveCsv, TheClusterPageNeedsNoVehicle) {
    SimulatedCar car;
    DataDir data;
    const std::filesystem::path csv = data.file("cluster.csv");
    const CliResult result = runCli(
        onCar(car, data, {"live", "--module", "cluster", "--csv", csv.string(), "--cycles", "2"}));
    ASSERT_EQ(result.code, 0) << result.err;
    const Table table = readCsv(csv);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"time [s]", "odometer [km]", "fuel level [%]",
                                                  "trouble codes [-]"}));
    EXPECT_EQ(table[1][1], "86412.3");
    EXPECT_EQ(table[1][3], "1") << "the cluster stores one code";
}

TEST(LiveCsv, ADurationEndsTheRunOnTheClock) {
    SimulatedCar car;
    DataDir data;
    const std::filesystem::path csv = data.file("timed.csv");
    const CliResult result = runCli(onCar(
        car, data, {"--vehicle", "KA 1.3i", "live", "--csv", csv.string(), "--duration", "0.5"}));
    ASSERT_EQ(result.code, 0) << result.err;
    const Table table = readCsv(csv);
    ASSERT_GE(table.size(), 2u);
    EXPECT_LT(std::stod(table.back()[0]), 0.5);
    EXPECT_THAT(result.err, ::testing::HasSubstr(std::to_string(table.size() - 1) +
                                                 " cycles written to " + csv.string()));
}

TEST(LiveTable, OnATerminalRedrawsTheTableInPlace) {
    std::ostringstream out;
    TerminalTable table(out, true);
    table.begin({{session::Gauge::rpmd, "engine speed", "rpm"},
                 {session::Gauge::cppd, "clutch pedal", ""}});
    table.row(0.0, {"800", "ON"});
    const std::size_t firstDrawing = out.str().size();
    table.row(0.1, {"", "OFF"});
    const std::string second = out.str().substr(firstDrawing);
    // Three lines up (the cycle line and two values), each line cleared before it is drawn.
    EXPECT_EQ(second,
              "\x1b[3F\x1b[2Kcycle 2  0.100 s\n\x1b[2Kengine speed [rpm]  --\n"
              "\x1b[2Kclutch pedal        OFF\n");
}

TEST(LiveTable, PrintsEachValueWithItsUnitEveryCycle) {
    SimulatedCar car;
    DataDir data;
    const CliResult result =
        runCli(onCar(car, data, {"--vehicle", "KA 1.3i", "live", "--cycles", "2"}));
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, ::testing::StartsWith("cycle 1  0.000 s\nengine speed [rpm]  "));
    EXPECT_THAT(result.out, ::testing::HasSubstr("\n\ncycle 2  "));
    EXPECT_THAT(result.out, ::testing::HasSubstr("\nbattery [V]  "));
}

}  // namespace
}  // namespace tvx::cli::testing

namespace tvx::cli::testing {
namespace {

TEST(LiveCsv, AnInterruptEndsTheRunWithTheFileWholeAndHandsCtrlCBack) {
    SimulatedCar car;
    DataDir data;
    const std::filesystem::path csv = data.file("stopped.csv");
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    Console console{in, out, err, false};
    link::VirtualClock clock;
    std::atomic<bool> interrupted{true};  // Ctrl-C came before the first cycle ended
    std::atomic<bool> handles{false};
    Environment environment;
    environment.clock = &clock;
    environment.interrupted = &interrupted;
    environment.handlesInterrupt = &handles;
    const int code = run(onCar(car, data, {"--vehicle", "KA 1.3i", "live", "--csv", csv.string()}),
                         console, environment);
    EXPECT_EQ(code, 0) << err.str();
    const Table table = readCsv(csv);
    ASSERT_EQ(table.size(), 1u) << "the header, and no row of a cycle never run";
    EXPECT_EQ(table[0][0], "time [s]");
    EXPECT_FALSE(handles) << "after the run Ctrl-C must end the program again";
}

}  // namespace
}  // namespace tvx::cli::testing
