#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "replay_test_sink.h"
#include "temp_dir.h"
#include "trend/csv_layout.h"
#include "trend/recording_file.h"
#include "trend/recording_store.h"

namespace tvx::trend {
namespace {

// The cluster page's rows (odometer, fuel level, trouble codes) at the times given, the
// odometer counting the rows; every fifth fuel level failed.
std::string clusterCsv(const std::vector<std::uint64_t>& timesMs) {
    std::string text = csvHeaderLine(liveColumns(session::clusterPage()));
    for (std::size_t i = 0; i < timesMs.size(); ++i) {
        text += csvRowLine(static_cast<double>(timesMs[i]) / 1000.0,
                           {std::to_string(i), i % 5 == 4 ? "" : "44", "1"});
    }
    return text;
}

// Stretches of the file begin every 64 cycles: runs of equal times within a stretch and
// across its ends, single cycles between them.
std::vector<std::uint64_t> unevenTimes() {
    std::vector<std::uint64_t> times;
    for (std::uint64_t i = 0; i < 3 * RecordingFile::kStride + 7; ++i) {
        times.push_back(i < 60 ? i / 3 * 500 : i <= 140 ? 30000 : 30000 + (i - 140) / 2 * 250);
    }
    return times;
}

void write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void expectSame(const std::vector<Reading>& a, const std::vector<Reading>& b, std::uint32_t cycle) {
    ASSERT_EQ(a.size(), b.size()) << "cycle " << cycle;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].timeMs, b[i].timeMs) << "cycle " << cycle;
        EXPECT_EQ(a[i].gauge, b[i].gauge) << "cycle " << cycle;
        EXPECT_EQ(a[i].text, b[i].text) << "cycle " << cycle;
        EXPECT_EQ(a[i].failed, b[i].failed) << "cycle " << cycle;
        EXPECT_EQ(a[i].cycle, b[i].cycle) << "cycle " << cycle;
    }
}

// Read from the disk in any order, every cycle is what the file read whole holds, and every
// time is found in the same cycle.
TEST(RecordingFile, ReadsEveryCycleInAnyOrderAsTheWholeFileHoldsIt) {
    TempDir dir;
    const std::string text = clusterCsv(unevenTimes());
    write(dir.path() / "r.csv", text);
    std::istringstream in(text);
    const RecordingRead whole = readRecordingCsv(in);
    ASSERT_TRUE(whole.recording) << whole.error;
    HeldRecording held(*whole.recording);

    std::string error;
    const auto file = RecordingFile::open(dir.path() / "r.csv", error);
    ASSERT_NE(file, nullptr) << error;
    ASSERT_EQ(file->cycles(), held.cycles());
    EXPECT_EQ(file->durationMs(), held.durationMs());
    EXPECT_EQ(file->page(), &session::clusterPage());
    EXPECT_EQ(file->cutLine(), 0u);

    std::vector<std::uint32_t> order(file->cycles());
    for (std::uint32_t c = 0; c < order.size(); ++c) {
        order[c] = c;
    }
    std::vector<std::uint32_t> shuffled = order;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    order.insert(order.end(), shuffled.begin(), shuffled.end());
    std::vector<Reading> fromFile, fromMemory;
    for (const std::uint32_t c : order) {
        ASSERT_TRUE(file->read(c, fromFile)) << file->error();
        held.read(c, fromMemory);
        expectSame(fromFile, fromMemory, c);
    }
    for (const std::uint64_t t : unevenTimes()) {
        for (const std::uint64_t near : {t - 1, t, t + 1}) {
            EXPECT_EQ(file->cycleFrom(near), held.cycleFrom(near)) << near << " ms";
        }
    }
    EXPECT_EQ(file->cycleFrom(0), 0u);
    EXPECT_EQ(file->cycleFrom(file->durationMs() + 1), file->cycles());
}

TEST(RecordingFile, WritesBackTheFileItReads) {
    TempDir dir;
    const std::string text = clusterCsv(unevenTimes());
    write(dir.path() / "r.csv", text + "31.0");  // and a line cut short, left out
    std::string error;
    const auto file = RecordingFile::open(dir.path() / "r.csv", error);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(file->cutLine(), unevenTimes().size() + 2);
    ASSERT_TRUE(exportRecordingCsv(*file, dir.path() / "copy.csv", error)) << error;
    std::ifstream copy(dir.path() / "copy.csv", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), text);
}

struct Refused {
    const char* name;
    std::string text;
    std::string error;  // after the file's name and ", "
};

class RefusedRecordingFile : public ::testing::TestWithParam<Refused> {};

// Opening reads the file through: what is wrong anywhere in it is refused before a replay
// shows anything, with the line.
TEST_P(RefusedRecordingFile, NamesTheFileTheLineAndWhy) {
    TempDir dir;
    const auto path = dir.path() / "r.csv";
    write(path, GetParam().text);
    std::string error;
    EXPECT_EQ(RecordingFile::open(path, error), nullptr);
    EXPECT_EQ(error, path.string() + ", " + GetParam().error);
}

std::string timeGoesBackAtRow(std::size_t row) {
    std::vector<std::uint64_t> times(200);
    for (std::size_t i = 0; i < times.size(); ++i) {
        times[i] = i * 100;
    }
    times[row] = 50;
    return clusterCsv(times);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedRecordingFile,
    ::testing::Values(
        Refused{"Empty", "", "line 1: the file is empty: no header \"time [s],...\""},
        Refused{"HeaderOnly", clusterCsv({}), "line 2: the recording holds no readings"},
        Refused{"OnlyCycleCut", clusterCsv({}) + "0.000,1,4",
                "line 2: the only cycle was cut short: the recording holds no readings"},
        Refused{"TimeBackFarIn", timeGoesBackAtRow(150),
                "line 152: the time goes back (0.050 s after 14.900 s)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordingFile, AFileThatIsNotThereCannotBeOpened) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(RecordingFile::open(dir.path() / "none.csv", error), nullptr);
    EXPECT_EQ(error, "cannot open " + (dir.path() / "none.csv").string());
}

// Played from the disk, a step back goes back exactly one cycle, also over runs of cycles that
// share their time within a stretch of the file and across its ends.
TEST(ReplayFromFile, StepsBackOneCycleAtATimeOverEqualTimes) {
    TempDir dir;
    write(dir.path() / "r.csv", clusterCsv(unevenTimes()));
    std::string error;
    const auto file = RecordingFile::open(dir.path() / "r.csv", error);
    ASSERT_NE(file, nullptr) << error;
    Sink sink;
    ReplayEngine engine(*file, sink);
    engine.begin();
    while (!engine.atEnd()) {
        engine.step();
    }
    ASSERT_EQ(engine.cycle(), file->cycles() - 1);
    for (std::uint32_t expected = file->cycles() - 1; expected-- > 0;) {
        engine.stepBack();
        ASSERT_EQ(engine.cycle(), expected);
        ASSERT_EQ(sink.readings.size(), 3u * (expected + 1)) << "from the start, nothing after";
        EXPECT_EQ(sink.readings[sink.readings.size() - 3].text, std::to_string(expected));
        EXPECT_EQ(engine.position(), unevenTimes()[expected]);
    }
    EXPECT_TRUE(engine.error().empty()) << engine.error();
}

// The replay shows what the file held when it was opened: lines written on are not seen, a
// line completed later is still left out.
TEST(ReplayFromFile, AFileWrittenOnPlaysWhatItHeldWhenOpened) {
    TempDir dir;
    const auto path = dir.path() / "r.csv";
    const std::vector<std::uint64_t> times = unevenTimes();
    write(path, clusterCsv(times) + "99.0,1,");
    std::string error;
    const auto file = RecordingFile::open(path, error);
    ASSERT_NE(file, nullptr) << error;
    std::ofstream(path, std::ios::binary | std::ios::app) << "2,3\n"
                                                          << "100.000,1,2,3\n";
    Sink sink;
    ReplayEngine engine(*file, sink);
    engine.begin();
    engine.setSpeed(ReplayEngine::kFastest);
    engine.play();
    while (engine.playing()) {
        engine.advance(1000);
    }
    EXPECT_TRUE(engine.error().empty()) << engine.error();
    EXPECT_EQ(engine.cycle(), times.size() - 1);
    EXPECT_EQ(engine.position(), times.back());
    EXPECT_EQ(sink.readings[sink.readings.size() - 3].text, std::to_string(times.size() - 1));
}

struct Changed {
    const char* name;
    std::string text;  // what the file holds when it is replayed further
    bool startKept;    // its beginning is still the recording's
};

class ReplayOfAChangedFile : public ::testing::TestWithParam<Changed> {};

// A file cut or replaced while it is replayed stops the replay where it can no longer be read
// and says so; nothing is made up. Played from the start again, what is still there plays.
TEST_P(ReplayOfAChangedFile, StopsAndSaysSo) {
    TempDir dir;
    const auto path = dir.path() / "r.csv";
    const std::vector<std::uint64_t> times = unevenTimes();
    write(path, clusterCsv(times));
    std::string error;
    const auto file = RecordingFile::open(path, error);
    ASSERT_NE(file, nullptr) << error;
    Sink sink;
    ReplayEngine engine(*file, sink);
    engine.begin();
    write(path, GetParam().text);
    engine.seek(engine.duration());
    EXPECT_TRUE(engine.atEnd());
    EXPECT_NE(engine.error().find(path.string() + " was changed while it was replayed: "),
              std::string::npos)
        << engine.error();
    EXPECT_LT(engine.cycle(), times.size() - 1) << "the last cycle was never there";
    engine.play();
    EXPECT_EQ(engine.error().empty(), GetParam().startKept) << engine.error();
}

std::vector<std::uint64_t> firstTimes(std::size_t count) {
    std::vector<std::uint64_t> times = unevenTimes();
    times.resize(count);
    return times;
}

std::vector<std::uint64_t> later(std::vector<std::uint64_t> times) {
    for (std::uint64_t& t : times) {
        t += 1000;
    }
    return times;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReplayOfAChangedFile,
    ::testing::Values(Changed{"CutToTenCycles", clusterCsv(firstTimes(10)), true},
                      Changed{"CutInALine", clusterCsv(unevenTimes()).substr(0, 1500), true},
                      Changed{"AnotherRecording", clusterCsv(later(unevenTimes())), false},
                      Changed{"Emptied", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvx::trend
