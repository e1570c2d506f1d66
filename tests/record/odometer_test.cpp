// The odometer a report gives as read from the cluster: the last one the visit read, from its
// live page recorded or not; for a visit kept before that was kept, its cluster recording's.
#include "record/report.h"
#include "record/schema.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::Dir;
using testing::openOrFail;

struct Odometers {
    const char* name;
    std::optional<double> recorded;  // in a recording of the cluster page
    std::optional<double> lastRead;  // kept with the visit, after the recording
    std::optional<double> reported;
};

class ReportOdometer : public ::testing::TestWithParam<Odometers> {};

TEST_P(ReportOdometer, IsTheLastOneRead) {
    const Odometers& o = GetParam();
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto visit = record->beginVisit({1000, false, "FIESTA", false, "en"});
    if (o.recorded) {
        const auto cluster = record->beginRecording(
            visit, 29, 2000, {{0, "kmd", "odometer", "km"}, {1, "flid", "fuel level", "%"}});
        record->addReadings(cluster, {{0, 0, *o.recorded}, {0, 1, 40.0}, {500, 0, {}}});
        record->endRecording(cluster, 3000);
    }
    if (o.lastRead) {
        record->setVisitOdometerRead(visit, 100.0);  // an earlier read, replaced
        record->setVisitOdometerRead(visit, *o.lastRead);
    }
    const auto report = buildReport(*record, visit, {});
    ASSERT_TRUE(report);
    EXPECT_EQ(report->clusterOdometerKm, o.reported);
}

INSTANTIATE_TEST_SUITE_P(
    Visits, ReportOdometer,
    ::testing::Values(Odometers{"NeverRead", {}, {}, {}},
                      Odometers{"OnlyRecorded", 187654.0, {}, 187654.0},
                      Odometers{"ReadWithoutARecording", {}, 187702.5, 187702.5},
                      Odometers{"ReadAgainAfterTheRecording", 187654.0, 187702.5, 187702.5},
                      // A misread in the recording is not the odometer because it is higher.
                      Odometers{"LastReadIsLower", 987654.0, 187702.5, 187702.5}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr int kSchemaBeforeTheOdometer = 3;

// A record of the schema before: its visits have no odometer kept; it is taken from their
// cluster recordings as before, and kept from now on.
TEST(ReportOdometer, ARecordOfThePreviousSchemaKeepsItsOdometers) {
    Dir dir;
    {
        Database old(dir.db(), Database::Mode::ReadWrite);
        migrate(old, kSchemaBeforeTheOdometer);
        old.exec(
            "INSERT INTO visits(id, started_at, ended_at, vehicle) VALUES (3, 1000, 2000, 'KA');"
            "INSERT INTO recordings(id, visit_id, page, started_at) VALUES (5, 3, 29, 1500);"
            "INSERT INTO recording_channels VALUES (5, 0, 'kmd', 'odometer', 'km');"
            "INSERT INTO readings VALUES (5, 0, 0, 0, 54321.0);");
    }
    auto record = openOrFail(dir.db());
    ASSERT_TRUE(record);
    EXPECT_EQ(schemaVersion(record->database()), kSchemaVersion);
    EXPECT_FALSE(record->visit(3)->odometerReadKm);
    EXPECT_EQ(buildReport(*record, 3, {})->clusterOdometerKm, 54321.0);
    record->setVisitOdometerRead(3, 54400.0);
    EXPECT_EQ(record->visit(3)->odometerReadKm, 54400.0);
    EXPECT_EQ(buildReport(*record, 3, {})->clusterOdometerKm, 54400.0);
}

}  // namespace
}  // namespace tvx::record
