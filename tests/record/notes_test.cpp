#include "record/schema.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::Dir;
using testing::openOrFail;

constexpr int kSchemaBeforeNotes = 2;

VisitNotes someNotes() {
    VisitNotes notes;
    notes.plate = "34 ABC 123";
    notes.customer = "Ayşe Demir";
    notes.odometerKm = 154321;
    notes.findings = "Boost hose split.\nInjector 2 leaking back.";
    notes.recommendation = "Replace the hose.";
    return notes;
}

// A record written by the build before the notes: it opens, its visits read as they were,
// and notes can be added to them.
TEST(VisitNotes, ARecordOfThePreviousSchemaKeepsItsVisitsAndTakesNotes) {
    Dir dir;
    {
        Database old(dir.db(), Database::Mode::ReadWrite);
        migrate(old, kSchemaBeforeNotes);
        old.exec(
            "INSERT INTO visits(id, started_at, ended_at, vehicle, vin) VALUES "
            "(7, 1000, 2000, 'TRANSIT 2.4 TDCI', 'WF0XXXTTGXAB00007')");
        old.exec("INSERT INTO recordings(visit_id, page, started_at) VALUES (7, 71, 1500)");
        ASSERT_EQ(schemaVersion(old), kSchemaBeforeNotes);
    }
    auto record = openOrFail(dir.db());
    ASSERT_TRUE(record);
    EXPECT_EQ(schemaVersion(record->database()), kSchemaVersion);
    auto visit = record->visit(7);
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->summary.vehicle, "TRANSIT 2.4 TDCI");
    EXPECT_EQ(visit->summary.recordings, 1);
    EXPECT_EQ(visit->notes.plate, "");
    EXPECT_FALSE(visit->notes.odometerKm);

    ASSERT_TRUE(record->setVisitNotes(7, someNotes()));
    visit = record->visit(7);
    EXPECT_EQ(visit->notes.plate, "34 ABC 123");
    EXPECT_EQ(visit->notes.customer, "Ayşe Demir");
    EXPECT_EQ(visit->notes.odometerKm, 154321);
    EXPECT_EQ(visit->notes.findings, "Boost hose split.\nInjector 2 leaking back.");
    EXPECT_EQ(visit->notes.recommendation, "Replace the hose.");
}

TEST(VisitNotes, NotesReplaceTheEarlierOnesAndNeedAVisit) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto visit = record->beginVisit({1000, false, "KA 1.3", false, "en"});
    ASSERT_TRUE(record->setVisitNotes(visit, someNotes()));
    VisitNotes fewer;
    fewer.plate = "06 XY 99";
    ASSERT_TRUE(record->setVisitNotes(visit, fewer));
    const auto read = record->visit(visit);
    EXPECT_EQ(read->notes.plate, "06 XY 99");
    EXPECT_EQ(read->notes.customer, "");
    EXPECT_FALSE(read->notes.odometerKm);
    EXPECT_FALSE(record->setVisitNotes(visit + 1, fewer));
}

// The list is searched by VIN, plate (blanks or not, any case) or vehicle.
TEST(VisitNotes, VisitsAreFoundByPlateAsByVin) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto van = record->beginVisit({1000, false, "TRANSIT 2.4 TDCI", true, "en"});
    record->setVisitVin(van, "WF0XXXTTGXAB00001");
    record->setVisitNotes(van, someNotes());
    const auto car = record->beginVisit({2000, false, "KA 1.3", false, "en"});
    record->setVisitVin(car, "WF0AXXGAJA0000002");

    struct Case {
        const char* text;
        std::vector<std::int64_t> found;
    };
    for (const Case& c : std::vector<Case>{{"34 ABC 123", {van}},
                                           {"34abc123", {van}},
                                           {"abc 1", {van}},
                                           {"0000002", {car}},
                                           {"ka 1.3", {car}},
                                           {"", {car, van}},
                                           {"35 ABC", {}}}) {
        std::vector<std::int64_t> found;
        for (const VisitSummary& v : record->visits({c.text, false, 100})) {
            found.push_back(v.id);
        }
        EXPECT_EQ(found, c.found) << c.text;
    }
    EXPECT_EQ(record->visits({"34abc", false, 100}).at(0).plate, "34 ABC 123");
}

}  // namespace
}  // namespace tvx::record
