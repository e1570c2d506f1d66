// One recording, four places that show it: the recorder (the window's counter and its
// message), the recording file, the workshop record and the visit's report. They agree on
// its cycles and its duration because one recorder writes them all.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "record/report.h"
#include "record/schema.h"
#include "recorded_fixture.h"
#include "trend/live_recorder.h"
#include "trend/live_recording.h"
#include "trend/recording_store.h"
#include "trend/witnessed_store.h"

namespace tvx::session {
namespace {

using testing::Recorded;

struct Agreement : ::testing::Test {
    Recorded r{"diesel-van"};
    std::filesystem::path folder = r.bench.dir.path() / "recordings";
    trend::WitnessedRecordingStore store{std::make_unique<trend::CsvRecordingFolder>(folder),
                                         &r.keeper.liveStore()};
    trend::LiveRecorder recorder{store, r.bench.clock};

    Agreement() { r.bench.session.addListener(recorder); }
    ~Agreement() override { r.bench.session.removeListener(recorder); }

    void toLiveData() {
        r.bench.startToModuleMenu(true, 4);
        r.bench.session.selectModule(Module::Pcm);
        r.bench.session.live();
    }
    trend::LiveRecording file(const std::string& id) {
        const trend::RecordingRead read = store.readLiveRecording(id);
        EXPECT_TRUE(read.recording) << read.error;
        return read.recording.value_or(trend::LiveRecording{});
    }
};

// Started in the middle of a pass (the record button is pressed at any time): the pass
// under way is no cycle anywhere, and the time of every place starts at the first
// reading of the first whole cycle.
TEST_F(Agreement, TheCounterTheFileTheRecordAndTheReportShowTheSameCyclesAndDuration) {
    toLiveData();
    r.bench.steps(4);  // dispatch, layout and a pass begun
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    r.bench.steps(7);
    const auto ended = recorder.stop();
    ASSERT_TRUE(ended);
    ASSERT_TRUE(ended->kept) << ended->error;
    ASSERT_GE(ended->cycles, 5u);
    ASSERT_GT(ended->durationMs, 0u);

    const trend::LiveRecording csv = file(ended->id);
    EXPECT_EQ(trend::cyclesOf(csv).size(), ended->cycles);
    EXPECT_EQ(csv.durationMs(), ended->durationMs);

    auto reader = r.reader();
    const auto visit = reader->lastVisit(false);
    ASSERT_TRUE(visit);
    const auto kept = reader->recordingsOfVisit(*visit);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].cycles, static_cast<std::int64_t>(ended->cycles));
    EXPECT_EQ(kept[0].durationMs, static_cast<std::int64_t>(ended->durationMs));
    EXPECT_EQ(kept[0].readingCount, static_cast<std::int64_t>(csv.readings.size()));
    const auto readings = reader->readingsOfRecording(kept[0].id);
    ASSERT_FALSE(readings.empty());
    EXPECT_EQ(readings.front().tMs, 0);
    EXPECT_GE(readings.back().tMs, static_cast<std::int64_t>(ended->durationMs));

    const auto report = record::buildReport(*reader, *visit, {"Usta Oto", "", "", {}});
    ASSERT_TRUE(report);
    ASSERT_EQ(report->recordings.size(), 1u);
    EXPECT_EQ(record::recordingDurationMs(report->recordings[0].recording),
              static_cast<std::int64_t>(ended->durationMs));
    const std::string html = record::reportHtml(*report, record::ReportLanguage::English);
    EXPECT_NE(html.find(std::to_string(ended->cycles) + " cycles"), std::string::npos);
    EXPECT_NE(html.find(record::duration(static_cast<std::int64_t>(ended->durationMs),
                                         record::ReportLanguage::English)),
              std::string::npos);
    const std::string json = record::reportJson(*report, record::ReportLanguage::English);
    EXPECT_NE(json.find("\"cycles\": " + std::to_string(ended->cycles)), std::string::npos);
}

// A lost line ends the recording with one cycle of failures at the time of the loss: that
// cycle and its time count in the record as in the file.
TEST_F(Agreement, ALostLineEndsTheSameInTheFileAndTheRecord) {
    toLiveData();
    r.bench.steps(2);
    std::string error;
    ASSERT_TRUE(recorder.start(error)) << error;
    r.bench.steps(3);
    r.bench.clock.advance(2600);
    recorder.lineLost();  // as the session tells it when the box stops answering
    const auto ended = recorder.lastEnded();
    ASSERT_TRUE(ended);
    ASSERT_EQ(ended->reason, trend::LiveRecorder::EndReason::LineLost);

    const trend::LiveRecording csv = file(ended->id);
    auto reader = r.reader();
    const auto kept = reader->recordingsOfVisit(*reader->lastVisit(false));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].cycles, static_cast<std::int64_t>(trend::cyclesOf(csv).size()));
    EXPECT_EQ(kept[0].durationMs, static_cast<std::int64_t>(csv.durationMs()));
    EXPECT_EQ(kept[0].cycles, static_cast<std::int64_t>(ended->cycles));
}

// A record of the schema before the recorder's figures keeps its recordings: their
// duration is their start to their end, and no cycles are claimed for them.
TEST(RecordingFigures, ARecordingKeptBeforeTheFiguresKeepsItsStartToEnd) {
    record::testing::Dir dir;
    {
        record::Database old(dir.db(), record::Database::Mode::ReadWrite);
        record::migrate(old, record::kSchemaVersion - 1);
        old.exec(
            "INSERT INTO visits(id, started_at, ended_at, vehicle, vin) VALUES "
            "(7, 1000, 90000, 'TRANSIT 2.4 TDCI', '')");
        old.exec(
            "INSERT INTO recordings(visit_id, page, started_at, ended_at) "
            "VALUES (7, 71, 1500, 25500)");
    }
    auto record = record::testing::openOrFail(dir.db());
    ASSERT_TRUE(record);
    const auto kept = record->recordingsOfVisit(7);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_FALSE(kept[0].cycles);
    EXPECT_EQ(record::recordingDurationMs(kept[0]), 24000);
}

}  // namespace
}  // namespace tvx::session
