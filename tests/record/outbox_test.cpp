#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "full_visit.h"
#include "record/outbox.h"
#include "record/remote_visits.h"
#include "record/schema.h"
#include "record/seen_before.h"

namespace tvx::record::testing {
namespace {

constexpr const char* kUidTables[] = {"visits",         "code_reads",       "clears",
                                      "injector_reads", "programming_runs", "recordings"};

std::int64_t count(Database& db, const std::string& sql) {
    return db.queryInteger(sql);
}

// Every entry as the server would give it back to another bay.
std::vector<SharedEntry> fromBay(std::vector<SharedEntry> entries, const std::string& bay) {
    for (SharedEntry& entry : entries) {
        entry.bay = bay;
    }
    return entries;
}

// A record of the previous schema, written as that build wrote it, keeps every row; each row
// gets an id of its own, and everything recorded before waits for the first push.
TEST(Outbox, APreviousSchemaFileKeepsEveryRowAndQueuesItForThePush) {
    Dir dir;
    {
        Database old(dir.db(), Database::Mode::ReadWrite);
        migrate(old, kSchemaVersion - 1);
        old.exec(R"sql(
INSERT INTO visits(id, started_at, ended_at, vin, plate) VALUES (1, 1000, 9000, 'VIN1', '34 A');
INSERT INTO visits(id, started_at, ended_at, demo) VALUES (2, 2000, 2000, 1);
INSERT INTO visit_modules VALUES (1, 1, 2);
INSERT INTO code_reads(id, visit_id, module, at, ok, count) VALUES (1, 1, 1, 1100, 1, 1);
INSERT INTO codes VALUES (1, 0, 135, 'P0087', 'rail pressure');
INSERT INTO clears(id, visit_id, module, at, ok, before_read_id) VALUES (1, 1, 1, 1200, 1, 1);
INSERT INTO injector_reads(id, visit_id, at, ok, codes) VALUES (1, 1, 1300, 1, 'A B C D');
INSERT INTO programming_runs(id, visit_id, injector, started_at, code_before, code_new,
    codes_read, blocks) VALUES (1, 1, 2, 1400, '21436587A9CBED0F', '0123456789ABCDEF', '', x'01');
INSERT INTO programming_steps VALUES (1, 0, 1410, 1, 'open', 1, 0);
INSERT INTO recordings(id, visit_id, page, started_at, ended_at) VALUES (1, 1, 71, 1500, 1600);
INSERT INTO recording_channels VALUES (1, 0, 'rpmd', 'engine speed', 'rpm');
INSERT INTO readings VALUES (1, 0, 0, 0, 800.0);
INSERT INTO code_reads(id, visit_id, module, at, ok) VALUES (2, 2, 1, 2100, 1);
)sql");
    }
    auto record = openOrFail(dir.db());
    Database& db = record->database();
    EXPECT_EQ(schemaVersion(db), kSchemaVersion);
    const std::pair<const char*, int> kRows[] = {{"visits", 2},           {"visit_modules", 1},
                                                 {"code_reads", 2},       {"codes", 1},
                                                 {"clears", 1},           {"injector_reads", 1},
                                                 {"programming_runs", 1}, {"programming_steps", 1},
                                                 {"recordings", 1},       {"recording_channels", 1},
                                                 {"readings", 1}};
    for (const auto& [table, rows] : kRows) {
        EXPECT_EQ(count(db, std::string("SELECT count(*) FROM ") + table), rows) << table;
    }
    EXPECT_EQ(record->visit(1)->summary.plate, "34 A");
    const std::regex hex128("[0-9a-f]{32}");
    std::set<std::string> uids;
    for (const char* table : kUidTables) {
        Statement query(db, std::string("SELECT uid FROM ") + table);
        while (query.step()) {
            ASSERT_FALSE(query.isNull(0)) << table;
            EXPECT_TRUE(std::regex_match(query.text(0), hex128)) << query.text(0);
            uids.insert(query.text(0));
        }
    }
    EXPECT_EQ(uids.size(), 8u);  // none repeats
    // The real visit and its five rows wait; the demonstration visit never leaves the PC.
    EXPECT_EQ(Outbox(db).waiting(), 6);
    EXPECT_EQ(count(db,
                    "SELECT count(*) FROM outbox o JOIN visits v ON v.uid = o.row_uid WHERE "
                    "v.demo = 1"),
              0);
}

// Each kind of write queues its row; a write that fails or is rolled back queues nothing.
TEST(Outbox, ARowAndItsEntryCommitTogether) {
    Dir dir;
    auto record = openOrFail(dir.db());
    Database& db = record->database();
    Outbox outbox(db);
    const auto visit = record->beginVisit({1000, false, "VAN", true, "en"});
    record->setVisitVin(visit, "VIN1");
    EXPECT_EQ(outbox.waiting(), 1);  // the visit waits once, however often it changes
    record->addCodeRead(visit, codeRead(1, {code(135, "P0087")}));
    record->addClear(visit, 1, 1200, true);
    EXPECT_EQ(outbox.waiting(), 3);
    ProgrammingRun run;
    run.injector = 2;
    run.codeBefore = "21436587A9CBED0F";
    EXPECT_EQ(record->beginProgrammingRun(visit, run, [] { return false; }), 0);
    EXPECT_EQ(outbox.waiting(), 3);
    EXPECT_EQ(count(db, "SELECT count(*) FROM programming_runs"), 0);

    // The outbox refusing its entry refuses the row too.
    db.exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON outbox BEGIN SELECT RAISE(ABORT, 'full'); "
        "END");
    EXPECT_THROW(record->addInjectorRead(visit, {0, 1300, true, {"A", "B", "C", "D"}, {}}),
                 DbError);
    EXPECT_THROW(record->addCodeRead(visit, codeRead(2, {})), DbError);
    EXPECT_EQ(count(db, "SELECT count(*) FROM injector_reads"), 0);
    EXPECT_EQ(count(db, "SELECT count(*) FROM code_reads"), 1);
}

// A row that changes while its entry is on the way waits again: the push reads the row as it
// is, and what the server confirmed for the older entry does not remove the newer one.
TEST(Outbox, ARowChangedDuringThePushWaitsAgain) {
    Dir dir;
    auto record = openOrFail(dir.db());
    Outbox outbox(record->database());
    const auto visit = record->beginVisit({1000, false, "VAN", true, "en"});
    const auto first = outbox.next(10);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].kind, "visit");
    EXPECT_EQ(first[0].visitUid, first[0].rowUid);
    record->setVisitVin(visit, "VIN2");
    outbox.sent({first[0].baySeq});
    const auto second = outbox.next(10);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_GT(second[0].baySeq, first[0].baySeq);
    EXPECT_NE(second[0].uid, first[0].uid);
    EXPECT_EQ(second[0].vin, "VIN2");
    outbox.sent({second[0].baySeq});
    EXPECT_EQ(outbox.waiting(), 0);
    EXPECT_TRUE(outbox.next(10).empty());
}

std::optional<Visit> remoteVisit(Record& record, const std::string& vin, std::int64_t startedAt) {
    VisitFilter filter;
    filter.text = vin;
    for (const VisitSummary& summary : record.visits(filter)) {
        if (summary.startedAt == startedAt) {
            return record.visit(summary.id);
        }
    }
    return std::nullopt;
}

// Another bay's visit, pulled, reads like the visit at the bay that made it.
TEST(RemoteVisits, AVisitOfAnotherBayReadsAsItWasRecorded) {
    FullVisit bay1;
    const auto entries = fromBay(Outbox(bay1.record->database()).next(1000), "bay-1");
    Dir dir;
    auto bay2 = openOrFail(dir.db());
    RemoteVisits remote(bay2->database());
    EXPECT_EQ(remote.store(entries, "c1"), static_cast<std::int64_t>(entries.size()));
    EXPECT_EQ(remote.visitCount(), 2);
    EXPECT_EQ(syncValue(bay2->database(), RemoteVisits::kCursorKey), "c1");
    EXPECT_EQ(Outbox(bay2->database()).waiting(), 0);  // never pushed again from here

    const Visit there = *bay1.record->visit(bay1.visit);
    const auto here = remoteVisit(*bay2, FullVisit::kVin, there.summary.startedAt);
    ASSERT_TRUE(here);
    EXPECT_EQ(here->summary.bay, "bay-1");
    EXPECT_EQ(there.summary.bay, "");
    EXPECT_EQ(here->summary.vin, there.summary.vin);
    EXPECT_EQ(here->summary.endedAt, there.summary.endedAt);
    EXPECT_EQ(here->protocols, there.protocols);
    EXPECT_EQ(here->notes.findings, there.notes.findings);
    EXPECT_EQ(here->notes.odometerKm, there.notes.odometerKm);
    ASSERT_EQ(here->codeReads.size(), there.codeReads.size());
    for (std::size_t i = 0; i < there.codeReads.size(); ++i) {
        ASSERT_EQ(here->codeReads[i].codes.size(), there.codeReads[i].codes.size());
        for (std::size_t c = 0; c < there.codeReads[i].codes.size(); ++c) {
            EXPECT_EQ(here->codeReads[i].codes[c].description,
                      there.codeReads[i].codes[c].description);
        }
        EXPECT_EQ(here->codeReads[i].ok, there.codeReads[i].ok);
    }
    ASSERT_EQ(here->clears.size(), 2u);
    // The clear's reads before and after are the reads of this copy, in the same places.
    auto position = [](const Visit& visit, std::optional<std::int64_t> read) {
        for (std::size_t i = 0; i < visit.codeReads.size(); ++i) {
            if (read && visit.codeReads[i].id == *read) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    EXPECT_EQ(position(*here, here->clears[0].beforeReadId), 0);
    EXPECT_EQ(position(*here, here->clears[0].afterReadId), 2);
    EXPECT_EQ(position(*here, here->clears[1].afterReadId), -1);
    ASSERT_EQ(here->injectorReads.size(), 2u);
    EXPECT_EQ(here->injectorReads[1].codes, FullVisit::kCodesAfter);
    ASSERT_EQ(here->runs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(here->runs[i].codeBefore, there.runs[i].codeBefore);
        EXPECT_EQ(here->runs[i].result, there.runs[i].result);
        EXPECT_EQ(here->runs[i].restore, there.runs[i].restore);
        EXPECT_EQ(here->runs[i].blocks.size(), there.runs[i].blocks.size());
        EXPECT_EQ(here->runs[i].steps.size(), there.runs[i].steps.size());
    }
    ASSERT_EQ(here->recordings.size(), 2u);
    const auto readings = bay2->readingsOfRecording(here->recordings[0].id);
    const auto original = bay1.record->readingsOfRecording(there.recordings[0].id);
    ASSERT_EQ(readings.size(), original.size());
    EXPECT_EQ(readings.back().value, original.back().value);
    EXPECT_EQ(here->recordings[0].channels.size(), 4u);
    // When its VIN is read here, the visits there are named with their bay.
    const auto seen =
        seenBefore(*bay2, FullVisit::kVin, FullVisit::kDay * 2, ReportLanguage::English);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].find("at bay bay-1: 3 trouble codes, 2 clears, injector codes read, 3 "
                           "injector programming runs, 2 live recordings"),
              std::string::npos)
        << seen[0];
    EXPECT_NE(seen[1].find("at bay bay-1: 2 trouble codes"), std::string::npos) << seen[1];
    EXPECT_EQ(seenBefore(*bay2, FullVisit::kVin, FullVisit::kDay, ReportLanguage::English).size(),
              1u);
    EXPECT_NE(
        seenBefore(*bay2, FullVisit::kVin, FullVisit::kDay * 2, ReportLanguage::Turkish)[0].find(
            "bölme bay-1"),
        std::string::npos);
    EXPECT_TRUE(
        seenBefore(*bay2, "WF0OTHER", FullVisit::kDay * 2, ReportLanguage::English).empty());
    EXPECT_EQ(otherBayOf(*bay2, here->summary.id).substr(0, 7), "bay-1 (");
    EXPECT_EQ(otherBayOf(*bay1.record, bay1.visit), "");
    // The injector code saved there can be written back here.
    const auto run = bay2->lastRunOf(3, std::string(FullVisit::kVin), std::nullopt);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->codeBefore, FullVisit::kCodesBefore[2]);
}

// Entries that come twice, or an older version after a newer one, change nothing; a visit
// the bay withdrew goes.
TEST(RemoteVisits, RepeatsAndOlderVersionsChangeNothing) {
    Dir dir1;
    auto bay1 = openOrFail(dir1.db());
    Outbox outbox(bay1->database());
    const auto visit = bay1->beginVisit({1000, false, "VAN", true, "en"});
    bay1->setVisitVin(visit, "VIN1");
    const auto older = fromBay(outbox.next(10), "bay-1");
    bay1->setVisitVin(visit, "VIN9");
    const auto newer = fromBay(outbox.next(10), "bay-1");

    Dir dir2;
    auto bay2 = openOrFail(dir2.db());
    RemoteVisits remote(bay2->database());
    EXPECT_EQ(remote.store(newer, "c1"), 1);
    EXPECT_EQ(remote.store(newer, "c2"), 0);
    EXPECT_EQ(remote.store(older, "c3"), 1);
    ASSERT_EQ(remote.visitCount(), 1);
    EXPECT_EQ(bay2->visits({})[0].vin, "VIN9");
    EXPECT_EQ(syncValue(bay2->database(), RemoteVisits::kCursorKey), "c3");

    // The joined-away visit (a command's visit merged into the car's earlier one) goes there.
    bay1->database().exec("DELETE FROM visits");
    const auto withdrawn = fromBay(outbox.next(10), "bay-1");
    ASSERT_EQ(withdrawn.size(), 1u);
    remote.store(withdrawn, "c4");
    EXPECT_EQ(remote.visitCount(), 0);
}

// The other bays' visits are read-only here: nothing of this PC writes into them.
TEST(RemoteVisits, AVisitOfAnotherBayCannotBeChanged) {
    FullVisit bay1;
    Dir dir;
    auto bay2 = openOrFail(dir.db());
    RemoteVisits(bay2->database())
        .store(fromBay(Outbox(bay1.record->database()).next(1000), "bay-1"), "c1");
    const auto id = bay2->visits({})[0].id;
    EXPECT_THROW(bay2->setVisitNotes(id, {"34 X", "", std::nullopt, "", ""}), DbError);
    EXPECT_THROW(bay2->addCodeRead(id, codeRead(1, {})), DbError);
    EXPECT_THROW(bay2->addInjectorRead(id, {0, 1, true, {}, {}}), DbError);
    EXPECT_THROW(bay2->database().exec("DELETE FROM visits"), DbError);
    EXPECT_EQ(RemoteVisits(bay2->database()).visitCount(), 2);
    // The same car at this bay begins a visit of its own, not a part of the other bay's.
    const auto own = bay2->beginVisit({FullVisit::kDay + 40000, false, "TRANSIT 2.4 TDCI", true});
    EXPECT_EQ(bay2->continueVisit(own, FullVisit::kVin, FullVisit::kDay + 40000, 600000), own);
    EXPECT_FALSE(bay2->lastVisit(false) != own);
}

}  // namespace
}  // namespace tvx::record::testing
