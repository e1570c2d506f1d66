#include <gtest/gtest.h>

#include <optional>

#include "sync_fixture.h"

namespace tvx::sync::testing {
namespace {

constexpr const char* kVan = "WF0XXXTTGXAB12345";

// A visit with a recording of three readings, ended with the recorder's figures (if any).
std::int64_t recordVisit(record::Record& record, std::optional<std::int64_t> cycles,
                         std::optional<std::int64_t> durationMs) {
    const auto visit = record.beginVisit({1000, false, "TRANSIT 2.4 TDCI", true, "en"});
    record.setVisitVin(visit, kVan);
    const auto recording =
        record.beginRecording(visit, 71, 2000, {{0, "rpmd", "engine speed", "rpm"}});
    record.addReadings(recording, {{0, 0, 800.0}, {250, 0, 810.0}, {500, 0, 820.0}});
    record.endRecording(recording, 20000, cycles, durationMs);
    return visit;
}

struct FiguresCase {
    const char* name;
    std::optional<std::int64_t> cycles;
    std::optional<std::int64_t> durationMs;
    bool olderBody;  // pushed by a Tarvolinex that sent no figures at all
};

void PrintTo(const FiguresCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordingFigures : public SyncTest, public ::testing::WithParamInterface<FiguresCase> {};

// The other bay shows the cycles and duration the recording bay shows; a recording without
// them (an older Tarvolinex's, or one cut off) shows its start-to-end time at both.
TEST_P(RecordingFigures, AreTheSameAtTheOtherBay) {
    const FiguresCase& c = GetParam();
    Bay one(bay("bay_n1", "north", "bay-1"));
    Bay two(bay("bay_n2", "north", "bay-2"));
    const auto visit = recordVisit(*one.record, c.cycles, c.durationMs);
    auto entries = record::Outbox(one.db()).next(100);
    for (auto& entry : entries) {
        const std::string figures = R"("cycles":null,"duration_ms":null,)";
        if (c.olderBody && entry.kind == "recording") {
            ASSERT_NE(entry.body.find(figures), std::string::npos) << entry.body;
            entry.body.erase(entry.body.find(figures), figures.size());
        }
    }
    PgConnection server(one.settings.conninfo);
    ASSERT_EQ(pushBatch(server, one.settings, entries, {}),
              static_cast<std::int64_t>(entries.size()));
    const auto pulled = two.pass();
    ASSERT_TRUE(pulled.ok()) << pulled.problem;

    const auto here = one.record->recordingsOfVisit(visit);
    const auto visits = two.record->visits({});
    ASSERT_EQ(visits.size(), 1u);
    const auto there = two.record->recordingsOfVisit(visits[0].id);
    ASSERT_EQ(here.size(), 1u);
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there[0].cycles, c.cycles);
    EXPECT_EQ(there[0].durationMs, c.durationMs);
    EXPECT_EQ(record::recordingDurationMs(there[0]), record::recordingDurationMs(here[0]));
    EXPECT_EQ(record::recordingDurationMs(there[0]), c.durationMs.value_or(20000 - 2000));
    EXPECT_EQ(there[0].readingCount, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordingFigures,
    ::testing::Values(FiguresCase{"Counted", 42, 14750, false},
                      FiguresCase{"NotCounted", std::nullopt, std::nullopt, false},
                      FiguresCase{"OlderBay", std::nullopt, std::nullopt, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A recording cut off (the program stopped without ending it) sent its first readings
// with the push while it ran; the rest go once the next start finds it left open and ends
// it at its last reading. One that another program is recording stays open.
TEST_F(SyncTest, ARecordingCutOffSendsItsReadingsAfterTheNextStart) {
    Bay one(bay("bay_n1", "north", "bay-1"));
    Bay two(bay("bay_n2", "north", "bay-2"));
    const auto visit = one.record->beginVisit({1000, false, "TRANSIT 2.4 TDCI", true, "en"});
    const auto recording =
        one.record->beginRecording(visit, 71, 2000, {{0, "rpmd", "engine speed", "rpm"}});
    one.record->addReadings(recording, {{0, 0, 800.0}});
    ASSERT_TRUE(one.pass().ok());
    one.record->addReadings(recording, {{250, 0, 810.0}, {500, 0, 820.0}});

    // Opened again while this program still records into it: left open, nothing queued.
    record::testing::openOrFail(one.dir.db()).reset();
    EXPECT_FALSE(one.record->recordingsOfVisit(visit).at(0).endedAt.has_value());
    EXPECT_EQ(one.waiting(), 0);

    one.record.reset();  // the program stops without ending the recording
    one.record = record::testing::openOrFail(one.dir.db());
    const auto ended = one.record->recordingsOfVisit(visit);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].endedAt, 2000 + 500);
    EXPECT_GT(one.waiting(), 0);
    ASSERT_TRUE(one.pass().ok());
    ASSERT_TRUE(two.pass().ok());
    const auto visits = two.record->visits({});
    ASSERT_EQ(visits.size(), 1u);
    const auto there = two.record->recordingsOfVisit(visits[0].id);
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there[0].readingCount, 3);
    EXPECT_EQ(there[0].endedAt, 2000 + 500);
    EXPECT_EQ(record::recordingDurationMs(there[0]), 500);
}

}  // namespace
}  // namespace tvx::sync::testing
