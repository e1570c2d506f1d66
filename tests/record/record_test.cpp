#include <sqlite3.h>

#include "record/schema.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::code;
using testing::codeRead;
using testing::Dir;
using testing::openOrFail;

std::int64_t visitOf(Record& record, const std::string& vin, std::int64_t at, bool demo = false) {
    const std::int64_t id = record.beginVisit({at, demo, "FOCUS 1.8 TDCI", true, "en"});
    record.setVisitVin(id, vin);
    return id;
}

TEST(Record, ANewFileGetsTheSchemaInWalModeWithForeignKeys) {
    Dir dir;
    auto record = openOrFail(dir.db());
    Database& db = record->database();
    EXPECT_EQ(schemaVersion(db), kSchemaVersion);
    Statement mode(db, "PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.text(0), "wal");
    EXPECT_EQ(db.queryInteger("PRAGMA foreign_keys"), 1);
    // A row that points nowhere is refused.
    EXPECT_THROW(record->addClear(12345, 1, 0, true), DbError);
}

TEST(Record, OpeningAgainKeepsTheRowsAndDoesNotMigrateTwice) {
    Dir dir;
    std::int64_t id = 0;
    {
        auto record = openOrFail(dir.db());
        id = visitOf(*record, "WF0XXXTTGXAB00001", 1000);
    }
    auto record = openOrFail(dir.db());
    EXPECT_EQ(record->database().queryInteger("SELECT count(*) FROM schema_version"),
              kSchemaVersion);
    const auto visit = record->visit(id);
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->summary.vin, "WF0XXXTTGXAB00001");
    EXPECT_EQ(visit->summary.vehicle, "FOCUS 1.8 TDCI");
    EXPECT_TRUE(visit->diesel);
}

TEST(Record, AClearKnowsTheCodesBeforeItAndTheReadAfterIt) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const std::int64_t visit = visitOf(*record, "VIN1", 1000);
    const auto before = record->addCodeRead(visit, codeRead(1, {code(0x0087, "P0087", "low")}));
    record->addCodeRead(visit, codeRead(3, {code(0x4210, "C0210")}));  // another module
    const auto clear = record->addClear(visit, 1, 2000, true);
    const auto after = record->addCodeRead(visit, codeRead(1, {}, 3000));
    record->addCodeRead(visit, codeRead(1, {code(0x0087, "P0087")}, 4000));  // a later one

    const auto read = record->visit(visit);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->clears.size(), 1u);
    EXPECT_EQ(read->clears[0].id, clear);
    EXPECT_EQ(read->clears[0].beforeReadId, before);
    EXPECT_EQ(read->clears[0].afterReadId, after);
    ASSERT_EQ(read->codeReads.size(), 4u);
    EXPECT_EQ(read->codeReads[0].codes[0].description, "low");
    EXPECT_EQ(read->summary.codesRead, 2);  // P0087 and C0210, each counted once
    EXPECT_EQ(read->summary.endedAt, 4000);
}

TEST(Record, VisitsAreListedNewestFirstFilteredAndNeverMixedWithDemonstrations) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto old = visitOf(*record, "WF0AAAAAAAAAAAAAA", 1000);
    const auto other = record->beginVisit({2000, false, "KA 1.3i", false, "en"});
    const auto recent = visitOf(*record, "WF0AAAAAAAAAAAAAA", 3000);
    const auto demo = visitOf(*record, "WF0AAAAAAAAAAAAAA", 4000, true);

    struct Case {
        VisitFilter filter;
        std::vector<std::int64_t> ids;
    };
    const Case cases[] = {
        {{"", false, 100}, {recent, other, old}},
        {{"wf0aaa", false, 100}, {recent, old}},
        {{"ka 1.3", false, 100}, {other}},
        {{"", true, 100}, {demo}},
        {{"", false, 1}, {recent}},
        {{"nothing like it", false, 100}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::int64_t> ids;
        for (const VisitSummary& v : record->visits(c.filter)) {
            ids.push_back(v.id);
        }
        EXPECT_EQ(ids, c.ids) << c.filter.text << c.filter.demo;
    }
    EXPECT_EQ(record->lastVisit(false), recent);
    EXPECT_EQ(record->lastVisit(true), demo);
    EXPECT_EQ(record->previousVisitOfVin(recent), old);
    EXPECT_EQ(record->previousVisitOfVin(old), std::nullopt);
    EXPECT_EQ(record->previousVisitOfVin(demo), std::nullopt);  // no real visit stands in
}

TEST(Record, AProgrammingRunKeepsItsStepsAndTheLatestOneServesTheRestore) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto first = visitOf(*record, "VIN1", 1000);
    const auto second = visitOf(*record, "VIN1", 5000);
    ProgrammingRun run;
    run.injector = 2;
    run.startedAt = 1100;
    run.codeBefore = "21436587A9CBED0F";
    run.codeNew = "0123456789ABCDEF";
    run.codesRead = {"123456789ABCDEF0", "21436587A9CBED0F", "0A1B2C3D4E5F6071",
                     "8877665544332211"};
    run.blocks = {{0x0A1F3C, {1, 2, 3, 4}}, {0x0A1F38, {5, 6, 7, 8}}};
    const auto id = record->beginProgrammingRun(first, run);
    record->addProgrammingStep(id, {1101, 1, "write", false, false});
    record->addProgrammingStep(id, {1102, 1, "write", true, true});
    ProgrammingRun end;
    end.endedAt = 1200;
    end.result = "failed";
    end.unitHolds = "old";
    end.codeAfter = run.codeBefore;
    end.restoreTried = true;
    record->endProgrammingRun(id, end);
    run.startedAt = 5100;
    run.codeBefore = "0123456789ABCDEF";
    record->beginProgrammingRun(second, run);

    const auto stored = record->visit(first)->runs.at(0);
    EXPECT_EQ(stored.codesRead, run.codesRead);
    ASSERT_EQ(stored.blocks.size(), 2u);
    EXPECT_EQ(stored.blocks[1].address, 0x0A1F38u);
    EXPECT_EQ(stored.blocks[1].data, (std::array<std::uint8_t, 4>{5, 6, 7, 8}));
    EXPECT_EQ(stored.result, "failed");
    EXPECT_TRUE(stored.restoreTried);
    ASSERT_EQ(stored.steps.size(), 2u);
    EXPECT_TRUE(stored.steps[1].restore);
    EXPECT_FALSE(stored.steps[0].ok);

    EXPECT_EQ(record->lastRunOf(2, std::string("VIN1"), std::nullopt)->codeBefore,
              "0123456789ABCDEF");
    EXPECT_EQ(record->lastRunOf(2, std::nullopt, first)->codeBefore, "21436587A9CBED0F");
    EXPECT_FALSE(record->lastRunOf(2, std::string("VIN2"), std::nullopt));
    EXPECT_FALSE(record->lastRunOf(3, std::nullopt, std::nullopt));
}

// The runs restore weighs: every run of the car in order, restores marked; with a visit,
// that car's runs up to the visit's last one.
TEST(Record, TheRunsOfAnInjectorAreListedInOrderWithTheirRestores) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto first = visitOf(*record, "VIN1", 1000);
    const auto other = visitOf(*record, "VIN2", 2000);
    const auto second = visitOf(*record, "VIN1", 5000);
    const auto third = visitOf(*record, "VIN1", 9000);
    const auto unknownCar = record->beginVisit({9500, false, "", true, "en"});
    ProgrammingRun run;
    run.injector = 2;
    run.codeNew = "0123456789ABCDEF";
    struct Row {
        std::int64_t visit;
        std::int64_t at;
        bool restore;
    };
    for (const Row& row :
         {Row{first, 1100, false}, Row{other, 2100, false}, Row{second, 5100, false},
          Row{second, 5200, true}, Row{third, 9100, false}, Row{unknownCar, 9600, false}}) {
        run.startedAt = row.at;
        run.restore = row.restore;
        run.codeBefore = std::to_string(row.at) + std::string(12, '0');
        record->beginProgrammingRun(row.visit, run);
    }
    auto startsOf = [](const std::vector<ProgrammingRun>& runs) {
        std::vector<std::int64_t> at;
        for (const ProgrammingRun& r : runs) {
            at.push_back(r.startedAt);
        }
        return at;
    };
    EXPECT_EQ(startsOf(record->runsOf(2, std::string("VIN1"), std::nullopt)),
              (std::vector<std::int64_t>{1100, 5100, 5200, 9100}));
    EXPECT_EQ(startsOf(record->runsOf(2, std::nullopt, second)),
              (std::vector<std::int64_t>{1100, 5100, 5200}));
    EXPECT_EQ(startsOf(record->runsOf(2, std::nullopt, unknownCar)),
              (std::vector<std::int64_t>{9600}));
    EXPECT_TRUE(record->runsOf(3, std::string("VIN1"), std::nullopt).empty());
    const auto runs = record->runsOf(2, std::string("VIN1"), std::nullopt);
    EXPECT_FALSE(runs[1].restore);
    EXPECT_TRUE(runs[2].restore);
}

// A record of the first schema gets the restore mark; its runs read as programming runs.
TEST(Record, ARecordOfTheFirstSchemaIsMigratedAndKeepsItsRuns) {
    Dir dir;
    {
        // A file as the first schema's build wrote it.
        Database old(dir.db(), Database::Mode::ReadWrite);
        migrate(old, 1);
        old.exec(
            "INSERT INTO visits(id, started_at, ended_at, vin) VALUES (1, 1000, 1000, 'VIN1')");
        old.exec(
            "INSERT INTO programming_runs(visit_id, injector, started_at, code_before, code_new, "
            "codes_read, blocks) VALUES (1, 1, 1000, '21436587A9CBED0F', '', '', x'')");
    }
    auto record = openOrFail(dir.db());
    EXPECT_EQ(schemaVersion(record->database()), kSchemaVersion);
    const auto runs = record->runsOf(1, std::string("VIN1"), std::nullopt);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].codeBefore, "21436587A9CBED0F");
    EXPECT_FALSE(runs[0].restore);
}

TEST(Record, ARecordingReadsBackInOrderAndSumsUpPerChannel) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto visit = visitOf(*record, "VIN1", 1000);
    const auto recording = record->beginRecording(
        visit, 71, 2000, {{0, "rpmd", "engine speed", "rpm"}, {1, "batd", "battery", "V"}});
    record->addReadings(recording, {{0, 0, 800.0}, {5, 1, 13.5}, {80, 0, std::nullopt}});
    record->addReadings(recording, {{160, 0, 900.0}, {165, 1, 14.5}});
    record->endRecording(recording, 62000);

    const auto readings = record->readingsOfRecording(recording);
    ASSERT_EQ(readings.size(), 5u);
    EXPECT_EQ(readings[2].tMs, 80);
    EXPECT_FALSE(readings[2].value);
    EXPECT_EQ(readings[3].value, 900.0);
    const auto recordings = record->recordingsOfVisit(visit);
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings[0].readingCount, 5);
    EXPECT_EQ(recordings[0].channels.at(1).unit, "V");
    EXPECT_EQ(recordings[0].endedAt, 62000);

    const auto summary = record->recordingSummary(recording);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].count, 2);  // the failed read is not a value
    EXPECT_DOUBLE_EQ(summary[0].min, 800.0);
    EXPECT_DOUBLE_EQ(summary[0].mean, 850.0);
    EXPECT_DOUBLE_EQ(summary[0].max, 900.0);
    EXPECT_DOUBLE_EQ(summary[1].mean, 14.0);
}

}  // namespace
}  // namespace tvx::record
