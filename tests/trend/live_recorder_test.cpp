#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_dir.h"
#include "trend/live_recorder.h"

namespace tvx::trend {
namespace {

namespace fs = std::filesystem;

const session::LivePage& page() {
    return session::clusterPage();  // kmd, flid, dtcd
}

// Plays the session's part: a page, its readings and the ends of its passes.
class Recorder : public ::testing::Test {
protected:
    Recorder()
        : store(dir.path() / "recordings", [] { return std::string("20240501-120000"); }),
          recorder(store, clock) {}

    void pageStarts(const session::LivePage& p = page(), bool demo = false) {
        recorder.livePageStarted({&p, demo});
    }
    void read(Gauge gauge, std::uint64_t timeMs, bool failed = false) {
        session::LiveReading event;
        event.page = page().pollState;
        event.gauge = gauge;
        event.timeMs = timeMs;
        event.failed = failed;
        event.text = failed ? "" : std::to_string(timeMs);
        event.value = failed ? 0.0 : static_cast<double>(timeMs);
        recorder.liveReading(event);
    }
    void cycleEnds(std::uint64_t timeMs, bool complete = true) {
        recorder.liveCycleEnded({page().pollState, complete, timeMs});
    }
    // One whole pass over the page from `timeMs`, 100 ms a read.
    void pass(std::uint64_t timeMs) {
        read(Gauge::kmd, timeMs);
        read(Gauge::flid, timeMs + 100);
        read(Gauge::dtcd, timeMs + 200);
        cycleEnds(timeMs + 200);
    }
    LiveRecording recorded() {
        const auto ended = recorder.lastEnded();
        EXPECT_TRUE(ended.has_value());
        RecordingRead read = store.readLiveRecording(ended ? ended->id : "");
        EXPECT_TRUE(read.recording) << read.error;
        return read.recording ? *read.recording : LiveRecording{};
    }

    TempDir dir;
    link::VirtualClock clock;
    CsvRecordingFolder store;
    LiveRecorder recorder;
};

TEST_F(Recorder, BeginsWithTheNextWholePassAndTimesFromItsFirstReading) {
    pageStarts();
    read(Gauge::kmd, 1000);
    read(Gauge::flid, 1100);
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    EXPECT_TRUE(recorder.recording());
    read(Gauge::dtcd, 1200);
    cycleEnds(1200);
    pass(2000);
    pass(3000);
    const auto ended = recorder.stop();
    ASSERT_TRUE(ended.has_value());
    EXPECT_TRUE(ended->kept) << ended->error;
    EXPECT_EQ(ended->cycles, 2u);
    EXPECT_EQ(ended->reason, LiveRecorder::EndReason::Stopped);
    EXPECT_EQ(fs::path(ended->id).filename(), "live-20240501-120000.csv");
    EXPECT_FALSE(recorder.recording());

    const LiveRecording recording = recorded();
    EXPECT_EQ(recording.page, &page());
    const auto cycles = cyclesOf(recording);
    ASSERT_EQ(cycles.size(), 2u);
    EXPECT_EQ(cycles[0].timeMs, 0u);
    EXPECT_EQ(cycles[1].timeMs, 1000u);
    EXPECT_EQ(recording.readings[0].text, "2000") << "the first whole pass";
}

TEST_F(Recorder, StartedAsThePageBeginsTakesItsFirstPass) {
    pageStarts();
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    pass(500);
    recorder.stop();
    EXPECT_EQ(cyclesOf(recorded()).size(), 1u);
}

TEST_F(Recorder, ALostLineEndsItWithAPassInWhichEveryValueFailed) {
    pageStarts();
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    pass(1000);
    read(Gauge::kmd, 2000);
    clock.advance(2600);
    recorder.lineLost();
    EXPECT_FALSE(recorder.recording());
    ASSERT_TRUE(recorder.lastEnded());
    EXPECT_EQ(recorder.lastEnded()->reason, LiveRecorder::EndReason::LineLost);

    const LiveRecording recording = recorded();
    const auto cycles = cyclesOf(recording);
    ASSERT_EQ(cycles.size(), 3u) << "the pass, the part read before the loss, the loss";
    EXPECT_EQ(cycles[2].timeMs, 1600u);
    for (std::size_t i = cycles[2].first; i < cycles[2].end; ++i) {
        EXPECT_TRUE(recording.readings[i].failed) << recording.readings[i].gauge;
    }
    EXPECT_EQ(cycles[2].end - cycles[2].first, 3u);
    // The part read before the loss keeps its value; what it did not read is empty.
    EXPECT_FALSE(recording.readings[cycles[1].first].failed);
    EXPECT_TRUE(recording.readings[cycles[1].first + 1].failed);
}

TEST_F(Recorder, AnotherPageEndsItAndAPassCutShortIsLeftOut) {
    pageStarts();
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    pass(1000);
    read(Gauge::kmd, 2000);  // the operator leaves the page here
    pageStarts(*session::livePageForModel(false, 0));
    ASSERT_TRUE(recorder.lastEnded());
    EXPECT_EQ(recorder.lastEnded()->reason, LiveRecorder::EndReason::PageChanged);
    EXPECT_EQ(cyclesOf(recorded()).size(), 1u);
}

TEST_F(Recorder, StopLeavesOutThePassInProgress) {
    pageStarts();
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    pass(1000);
    read(Gauge::kmd, 2000);
    read(Gauge::flid, 2100);
    recorder.stop();
    EXPECT_EQ(cyclesOf(recorded()).size(), 1u);
    EXPECT_FALSE(recorder.stop().has_value()) << "nothing left to stop";
}

struct RefusalCase {
    const char* name;
    bool pageStarted;
    bool demo;
    bool folderIsAFile;
    std::string error;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class RecorderRefusal : public Recorder, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RecorderRefusal, SaysWhyAndRecordsNothing) {
    const RefusalCase& c = GetParam();
    if (c.folderIsAFile) {
        std::ofstream(dir.path() / "recordings") << "in the way";
    }
    if (c.pageStarted) {
        pageStarts(page(), c.demo);
    }
    std::string error;
    EXPECT_FALSE(recorder.start(error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_FALSE(recorder.recording());
    pass(1000);
    EXPECT_FALSE(recorder.stop().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecorderRefusal,
    ::testing::Values(RefusalCase{"no page", false, false, false, "no live-data page"},
                      RefusalCase{"demonstration", true, true, false, "demonstration values"},
                      RefusalCase{"folder cannot be made", true, false, true,
                                  "cannot make the folder"}));

// Fast mode: the recording holds only the values polled, reads back as such, and ends
// when other values are polled.
TEST_F(Recorder, InFastModeRecordsOnlyThePolledValuesUntilTheyChange) {
    pageStarts();
    session::LiveFocusChange focus;
    focus.page = page().pollState;
    focus.whole = false;
    focus.polled = {Gauge::kmd, Gauge::dtcd};
    focus.paused = {Gauge::flid};
    recorder.liveFocusChanged(focus);
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    for (std::uint64_t t : {1000u, 1200u, 1400u}) {
        read(Gauge::kmd, t);
        read(Gauge::dtcd, t + 100);
        cycleEnds(t + 100);
    }
    focus.polled = {Gauge::kmd};
    focus.paused = {Gauge::flid, Gauge::dtcd};
    recorder.liveFocusChanged(focus);
    EXPECT_FALSE(recorder.recording());
    ASSERT_TRUE(recorder.lastEnded());
    EXPECT_EQ(recorder.lastEnded()->reason, LiveRecorder::EndReason::ValuesChanged);
    EXPECT_EQ(recorder.lastEnded()->cycles, 3u);

    std::ifstream file(recorder.lastEnded()->id);
    std::string header;
    std::getline(file, header);
    EXPECT_EQ(header, "time [s],odometer [km],trouble codes [-]");
    const LiveRecording recording = recorded();
    EXPECT_EQ(recording.page, &page());
    EXPECT_EQ(recording.gauges, (std::vector<Gauge>{Gauge::kmd, Gauge::dtcd}));
    ASSERT_EQ(recording.readings.size(), 6u);
    for (const Reading& reading : recording.readings) {
        EXPECT_NE(reading.gauge, Gauge::flid);
        EXPECT_FALSE(reading.failed) << reading.gauge;
    }
}

TEST(RecordingFolder, NeverOverwritesARecording) {
    TempDir dir;
    CsvRecordingFolder store(dir.path(), [] { return std::string("20240501-120000"); });
    std::string error;
    auto first = store.startLiveRecording(page(), {}, error);
    auto second = store.startLiveRecording(page(), {}, error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_NE(first->id(), second->id());
    EXPECT_EQ(fs::path(second->id()).filename(), "live-20240501-120000-2.csv");
}

}  // namespace
}  // namespace tvx::trend
