// live --record and replay: a recording made on the simulated car over a pseudo-terminal,
// played back without the box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "cli/commands.h"
#include "cli_fixture.h"
#include "trend/recording_store.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

#ifndef _WIN32  // recordings made on the simulated car over a pseudo-terminal
std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// Every cell of one column of a CSV text, header left out.
std::vector<std::string> column(const std::string& text, std::size_t index) {
    std::vector<std::string> cells;
    const std::vector<std::string> rows = lines(text);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        std::vector<std::string> fields;
        std::stringstream row(rows[r]);
        for (std::string field; std::getline(row, field, ',');) {
            fields.push_back(field);
        }
        if (rows[r].ends_with(',')) {
            fields.emplace_back();
        }
        cells.push_back(index < fields.size() ? fields[index] : "<missing>");
    }
    return cells;
}

const std::vector<std::string> kDiesel{"--vehicle", "FOCUS 1.8 TDCI"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(RecordReplay, ARecordingPlaysBackAsItWasRecordedAndSendsNothing) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::filesystem::path recording = data.file("road.csv");
    const CliResult recorded = runCli(
        onCar(car, data, with(kDiesel, {"live", "--cycles", "4", "--record", recording.string()})));
    ASSERT_EQ(recorded.code, 0) << recorded.err;
    EXPECT_THAT(recorded.err, HasSubstr("4 cycles recorded to " + recording.string()));
    EXPECT_THAT(recorded.out, HasSubstr("engine speed [rpm]")) << "the table is still shown";
    const std::string file = fileText(recording);
    ASSERT_EQ(lines(file).size(), 5u);
    EXPECT_TRUE(file.starts_with("time [s],engine speed [rpm],fuel rail pressure [bar]"));

    // The box may even be there: a replay talks to nobody.
    const std::size_t bytesBefore = car.bytesReceived();
    const CliResult csv = runCli(onCar(car, data, {"replay", recording.string(), "--csv"}));
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out, file) << "printed as recorded, to the byte";

    const CliResult table = runCli(onCar(car, data, {"replay", recording.string()}));
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_THAT(table.out, HasSubstr("REPLAY  cycle 1  0.000 s"));
    EXPECT_THAT(table.out, HasSubstr("REPLAY  cycle 4  "));
    EXPECT_THAT(table.out, ::testing::Not(HasSubstr("cycle 5")));
    EXPECT_THAT(table.err, HasSubstr("nothing is sent"));
    EXPECT_EQ(car.bytesReceived(), bytesBefore) << "a replay sent bytes to the box";
}

TEST(RecordReplay, ALiveCsvLogReplaysToo) {
    SimulatedCar car("petrol-car");
    DataDir data;
    const std::filesystem::path log = data.file("log.csv");
    const CliResult logged = runCli(
        onCar(car, data, {"--vehicle", "KA 1.3i", "live", "--cycles", "3", "--csv", log.string()}));
    ASSERT_EQ(logged.code, 0) << logged.err;
    const CliResult replayed = runCli({"replay", log.string(), "--csv"});
    ASSERT_EQ(replayed.code, 0) << replayed.err;
    EXPECT_EQ(replayed.out, fileText(log));
}

TEST(RecordReplay, AFailedReadIsAnEmptyCellInTheRecordingAndItsReplay) {
    SimulatedCar car("diesel-van");
    sim::Fault fault;
    fault.kind = sim::FaultKind::CountZero;
    fault.identifier = 0x000C;  // engine speed as the FOCUS 1.8 TDCI page reads it
    fault.count = 2;
    car.addFault(fault);
    DataDir data;
    const std::filesystem::path recording = data.file("spoilt.csv");
    const CliResult recorded = runCli(
        onCar(car, data, with(kDiesel, {"live", "--cycles", "4", "--record", recording.string()})));
    ASSERT_EQ(recorded.code, 0) << recorded.err;
    const CliResult replayed = runCli({"replay", recording.string(), "--csv"});
    ASSERT_EQ(replayed.code, 0) << replayed.err;
    const std::vector<std::string> rpm = column(replayed.out, 1);
    ASSERT_EQ(rpm.size(), 4u);
    EXPECT_EQ(rpm[0], "");
    EXPECT_EQ(rpm[1], "");
    EXPECT_NE(rpm[2], "");
    EXPECT_NE(rpm[3], "");
    EXPECT_NE(column(replayed.out, 2)[0], "") << "the other values of the cycle stay";
}

// The line drops in the middle of a recording: the recording keeps every cycle before and
// ends with one in which every value failed, so a replay never shows the last values as live.
TEST(RecordReplay, ALostLineEndsTheRecordingWithEveryValueFailed) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::filesystem::path recording = data.file("lost.csv");
    CliResult recorded;
    std::thread run([&] {
        recorded =
            runCli(onCar(car, data, with(kDiesel, {"live", "--record", recording.string()})));
    });
    // Three cycles recorded (the header and three rows), then the line drops.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (lines(fileText(recording)).size() < 4 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    car.addFault(sim::Fault::make(sim::FaultKind::LineClosed));
    run.join();
    EXPECT_EQ(recorded.code, 4) << recorded.err;

    const trend::RecordingRead read = trend::readRecordingFile(recording);
    ASSERT_TRUE(read.recording) << read.error;
    const auto cycles = trend::cyclesOf(*read.recording);
    ASSERT_GE(cycles.size(), 3u);
    const trend::CycleSpan& last = cycles.back();
    for (std::size_t i = last.first; i < last.end; ++i) {
        EXPECT_TRUE(read.recording->readings[i].failed) << read.recording->readings[i].gauge;
    }
    EXPECT_FALSE(read.recording->readings[cycles.front().first].failed);
}
#endif

struct BadReplayCase {
    const char* name;
    const char* content;  // nullptr: no file at all
    const char* message;
};

void PrintTo(const BadReplayCase& c, std::ostream* os) {
    *os << c.name;
}

class BadReplay : public ::testing::TestWithParam<BadReplayCase> {};

TEST_P(BadReplay, IsRefusedAsBadInputWithTheReason) {
    DataDir data(false);
    const std::filesystem::path file = data.file("recording.csv");
    if (GetParam().content != nullptr) {
        std::ofstream(file) << GetParam().content;
    }
    const CliResult result = runCli({"replay", file.string(), "--csv"});
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "") << "nothing half printed";
    EXPECT_THAT(result.err, HasSubstr("cannot replay: "));
    EXPECT_THAT(result.err, HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadReplay,
    ::testing::Values(BadReplayCase{"Missing", nullptr, "cannot open"},
                      BadReplayCase{"NotALog", "hello\n", "line 1: not a live-data recording"},
                      BadReplayCase{"RowCutShort",
                                    "time [s],odometer [km],fuel level [%],trouble codes [-]\n"
                                    "0.000,86412.3,44,1\n0.100,86412.3\n",
                                    "line 3: 2 cells where the header has 4"}),
    [](const auto& info) { return info.param.name; });

// A recording cut inside its last line (the disk filled while it was written) replays up to
// its last whole cycle and says that the line was cut.
TEST(RecordReplay, ARecordingCutInItsLastLinePlaysItsWholeCycles) {
    DataDir data(false);
    const std::filesystem::path file = data.file("cut.csv");
    const std::string whole =
        "time [s],odometer [km],fuel level [%],trouble codes [-]\n"
        "0.000,1.0,44,1\n0.500,1.0,44,1\n";
    std::ofstream(file) << whole << "1.000,1.";
    const CliResult result = runCli({"replay", file.string(), "--csv"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, whole);
    EXPECT_THAT(result.err, HasSubstr("line 4 was cut short"));
    EXPECT_THAT(result.err, HasSubstr("the 2 whole cycles before it are played"));
}

TEST(RecordReplay, DemonstrationValuesAreNotRecorded) {
    DataDir data;
    const std::filesystem::path recording = data.file("demo.csv");
    const CliResult result = runCli({"--demo", "--data-dir", data.path(), "live", "--module",
                                     "cluster", "--record", recording.string()});
    EXPECT_EQ(result.code, 2);
    EXPECT_THAT(result.err, HasSubstr("demonstration values are not recorded"));
    EXPECT_FALSE(std::filesystem::exists(recording));
}

// The table keeps the recorded pace, divided by --speed.
TEST(RecordReplay, TheTableTakesTheRecordedTimeDividedByTheSpeed) {
    DataDir data(false);
    const std::filesystem::path file = data.file("cluster.csv");
    std::ofstream(file) << "time [s],odometer [km],fuel level [%],trouble codes [-]\n"
                           "0.000,1.0,44,1\n2.000,1.0,44,1\n8.000,1.1,43,1\n";
    for (const double speed : {1.0, 4.0}) {
        Invocation invocation;
        invocation.recording = file.string();
        invocation.replaySpeed = speed;
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        Console console{in, out, err, false};
        link::VirtualClock clock;
        EXPECT_EQ(runReplay(invocation, console, clock, nullptr, nullptr), ExitCode::Ok);
        EXPECT_EQ(clock.nowMs(), static_cast<std::uint64_t>(8000 / speed)) << "speed " << speed;
        EXPECT_THAT(out.str(), HasSubstr("REPLAY  cycle 3  8.000 s"));
    }
}

}  // namespace
}  // namespace tvx::cli::testing
