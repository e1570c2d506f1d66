#include <gtest/gtest.h>

#include <future>

#include "record/remote_visits.h"
#include "sync/sync_settings.h"
#include "sync/sync_setup.h"
#include "sync/syncer.h"
#include "sync_fixture.h"

namespace tvx::sync::testing {
namespace {

constexpr const char* kVan = "WF0XXXTTGXAB12345";

// Two bays of one workshop: each sees the other's visits, marked with its bay, and never
// its own coming back.
TEST_F(SyncTest, TwoBaysOfOneWorkshopShareTheirVisits) {
    Bay one(bay("bay_n1", "north", "bay-1"));
    Bay two(bay("bay_n2", "north", "bay-2"));
    one.serve(kVan, 1000);
    const auto queued = one.waiting();
    const auto first = one.pass();
    ASSERT_TRUE(first.ok()) << first.problem;
    EXPECT_EQ(first.sent, queued);
    EXPECT_EQ(first.received, 0);
    EXPECT_EQ(one.waiting(), 0);

    const auto second = two.pass();
    ASSERT_TRUE(second.ok()) << second.problem;
    EXPECT_EQ(second.received, queued);
    const auto visits = two.record->visits({});
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].bay, "bay-1");
    EXPECT_EQ(visits[0].vin, kVan);
    EXPECT_EQ(visits[0].clears, 1);
    // The injector code saved at the first bay can be written back at the second.
    const auto run = two.record->lastRunOf(3, std::string(kVan), std::nullopt);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->codeBefore, "21436587A9CBED0F");

    // The van comes back to the second bay; the first sees that visit.
    two.serve(kVan, 5000);
    ASSERT_TRUE(two.pass().ok());
    const auto back = one.pass();
    ASSERT_TRUE(back.ok()) << back.problem;
    EXPECT_EQ(back.received, queued);  // the second bay's visit, not the first's own again
    const auto both = one.record->visits({});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].bay, "bay-2");
    EXPECT_EQ(both[1].bay, "");
    EXPECT_EQ(one.record->previousVisitOfVin(both[0].id), both[1].id);
    // Nothing new: a pass moves nothing.
    const auto idle = two.pass();
    EXPECT_TRUE(idle.ok());
    EXPECT_EQ(idle.sent + idle.received, 0);
    EXPECT_EQ(stored(), 2 * queued);
}

// The same entries sent again (the server's answer lost) are stored once.
TEST_F(SyncTest, ARowPushedTwiceIsStoredOnce) {
    Bay one(bay("bay_n1", "north", "bay-1"));
    one.serve(kVan, 1000);
    const auto entries = record::Outbox(one.db()).next(100);
    PgConnection server(one.settings.conninfo);
    EXPECT_EQ(pushBatch(server, one.settings, entries, {}),
              static_cast<std::int64_t>(entries.size()));
    EXPECT_EQ(pushBatch(server, one.settings, entries, {}), 0);
    EXPECT_EQ(stored(), static_cast<std::int64_t>(entries.size()));

    // Through a whole pass: the answer to the commit is lost, the batch goes again.
    Bay two(bay("bay_n2", "north", "bay-2"));
    two.serve(kVan, 9000);
    const auto queued = two.waiting();
    PassOptions lost;
    lost.hooks.afterCommit = [] { throw PgError("", "the line broke after the commit"); };
    const auto broken = two.pass(lost);
    EXPECT_FALSE(broken.ok());
    EXPECT_TRUE(broken.unreachable);
    EXPECT_EQ(two.waiting(), queued);
    const auto again = two.pass();
    ASSERT_TRUE(again.ok()) << again.problem;
    EXPECT_EQ(again.repeated, queued);
    EXPECT_EQ(again.sent, 0);
    EXPECT_EQ(two.waiting(), 0);
    EXPECT_EQ(stored("bay = 'bay-2'"), queued);
}

// A bay of one workshop never reads or writes another's history.
TEST_F(SyncTest, AWorkshopSeesOnlyItsOwnRows) {
    Bay north(bay("bay_n1", "north", "bay-1"));
    Bay south(bay("bay_s1", "south", "bay-1"));
    north.serve(kVan, 1000);
    south.serve("VF1SOUTH000000001", 2000);
    ASSERT_TRUE(north.pass().ok());
    const auto pulled = south.pass();
    ASSERT_TRUE(pulled.ok()) << pulled.problem;
    EXPECT_EQ(pulled.received, 0);
    EXPECT_TRUE(south.record->visits({kVan}).empty());

    PgConnection asSouth(south.settings.conninfo);
    EXPECT_EQ(asSouth.exec("SELECT count(*) FROM tvx.history WHERE workshop = 'north'").text(0, 0),
              "0");
    EXPECT_EQ(asSouth.exec("SELECT count(DISTINCT workshop) FROM tvx.history").text(0, 0), "1");
    EXPECT_GT(stored("workshop = 'north'"), 0);
    // Nor may it write into the other's history, under any bay's name.
    SyncSettings forged = south.settings;
    forged.workshop = "north";
    south.serve("VF1SOUTH000000002", 3000);
    const auto entries = record::Outbox(south.db()).next(1);
    ASSERT_EQ(entries.size(), 1u);
    try {
        pushBatch(asSouth, forged, entries, {});
        ADD_FAILURE() << "a south bay wrote into the north's history";
    } catch (const PgError& error) {
        EXPECT_TRUE(error.notAllowed()) << error.state() << " " << error.what();
    }
    // A role that is no bay reads nothing at all.
    PgConnection stranger(as("stranger"));
    EXPECT_THROW(stranger.exec("SELECT count(*) FROM tvx.history"), PgError);
}

// The history is append-only for a bay: its role may not change or remove a row.
class AppendOnly : public SyncTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AppendOnly, TheBayRoleMayNotChangeTheHistory) {
    Bay one(bay("bay_n1", "north", "bay-1"));
    one.serve(kVan, 1000);
    ASSERT_TRUE(one.pass().ok());
    const auto before = stored();
    PgConnection server(one.settings.conninfo);
    try {
        server.exec(GetParam());
        ADD_FAILURE() << "allowed: " << GetParam();
    } catch (const PgError& error) {
        EXPECT_TRUE(error.notAllowed()) << error.state() << " " << error.what();
    }
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(stored("body ? 'vin' AND vin = '" + std::string(kVan) + "'"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, AppendOnly,
    ::testing::Values("UPDATE tvx.history SET vin = 'X'", "DELETE FROM tvx.history",
                      "TRUNCATE tvx.history",
                      "INSERT INTO tvx.history(uid, workshop, bay, kind, row_uid, visit_uid, "
                      "bay_seq, at, body, stored_by) VALUES (md5('x'), 'north', 'bay-1', 'visit', "
                      "'a', 'a', 1, 0, '{}', 'bay_n2')",
                      "DROP TABLE tvx.history", "UPDATE tvx.schema_version SET version = 0"));

// A server whose history a newer Tarvolinex set up is left alone, and said so plainly.
TEST_F(SyncTest, ANewerServerSchemaIsRefusedWithAClearMessage) {
    {
        PgConnection owner(as("tvx_owner"));
        owner.exec("INSERT INTO tvx.schema_version(version) VALUES ($1)",
                   {std::to_string(kServerSchemaVersion + 1)});
    }
    Bay one(bay("bay_n1", "north", "bay-1"));
    one.serve(kVan, 1000);
    const auto queued = one.waiting();
    const auto result = one.pass();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.refused);
    EXPECT_NE(
        result.problem.find("newer Tarvolinex (schema " + std::to_string(kServerSchemaVersion + 1)),
        std::string::npos)
        << result.problem;
    EXPECT_EQ(one.waiting(), queued);
    EXPECT_EQ(stored(), 0);
    const auto setup = setUpSync(one.dir.path(), one.settings);
    EXPECT_FALSE(setup.saved);
    ASSERT_FALSE(setup.lines.empty());
    EXPECT_NE(setup.lines.back().find("update Tarvolinex on this PC"), std::string::npos);
    // Nor does the owner's role take it back to this build's schema.
    PgConnection owner(as("tvx_owner"));
    EXPECT_THROW(migrateServer(owner), SyncRefused);
}

// Setting a bay up: what is wrong is said plainly, and only a bay's role is stored.
struct SetupCase {
    const char* name;
    const char* role;
    const char* workshop;
    const char* extra;  // appended to the connection string
    bool saved;
    const char* said;
};

void PrintTo(const SetupCase& c, std::ostream* os) {
    *os << c.name;
}

class Setup : public SyncTest, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(Setup, SaysWhatIsWrongAndStoresOnlyABaysSettings) {
    const SetupCase& c = GetParam();
    Dir data;
    SyncSettings settings = bay(c.role, c.workshop, "bay-1");
    settings.conninfo += c.extra;
    const auto report = setUpSync(data.path(), settings);
    std::string said;
    for (const auto& line : report.lines) {
        said += line + "\n";
    }
    EXPECT_EQ(report.saved, c.saved) << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    const auto kept = loadSyncSettings(data.path());
    EXPECT_EQ(kept.has_value(), c.saved);
    if (kept) {
        EXPECT_EQ(kept->conninfo, settings.conninfo);
        EXPECT_EQ(kept->workshop, c.workshop);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Roles, Setup,
    ::testing::Values(
        SetupCase{"Bay", "bay_n1", "north", "", true, "never change it"},
        SetupCase{"Owner", "tvx_owner", "north", "", false, "owns the history"},
        SetupCase{"OtherWorkshop", "bay_n1", "south", "", false, "GRANT tvx_ws_south TO bay_n1"},
        SetupCase{"NoBay", "stranger", "north", "", false, "GRANT tvx_bay TO stranger"},
        SetupCase{"Password", "bay_n1", "north", " password=n1-secret", false, "never stores one"},
        SetupCase{"NoSuchRole", "nobody_here", "north", "", false, "the server refused"},
        SetupCase{"BadName", "bay_n1", "north west", "", false, "letters, digits"}),
    [](const auto& info) { return std::string(info.param.name); });

// Over TCP the password comes from the user's pgpass file, as libpq finds it.
TEST_F(SyncTest, ThePasswordComesFromThePgpassFile) {
    const std::string passfile = env("TVX_PG_PASSFILE");
    ASSERT_FALSE(passfile.empty());
    Bay one({"host=127.0.0.1 port=" + server.port + " dbname=" + database +
                 " user=bay_n1 passfile=" + passfile,
             "north", "bay-1"});
    one.serve(kVan, 1000);
    const auto result = one.pass();
    EXPECT_TRUE(result.ok()) << result.problem;
    Bay wrong({"host=127.0.0.1 port=" + server.port + " dbname=" + database +
                   " user=bay_n1 passfile=" + one.dir.path().string() + "/none",
               "north", "bay-2"});
    const auto refused = wrong.pass();
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.problem.find("password"), std::string::npos) << refused.problem;
}

// No server the whole time: the record goes on as without one, everything waits, and the
// sync's thread says since when the server is unreachable.
TEST(SyncUnreachable, TheTesterWorksAsWithoutAServer) {
    Dir gone;
    Bay one({nowhere(gone.path()), "north", "bay-1"});
    one.serve(kVan, 1000);
    const auto queued = one.waiting();
    const auto result = one.pass();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.unreachable);
    EXPECT_NE(result.problem.find("cannot be reached"), std::string::npos) << result.problem;
    one.serve(kVan, 9000);  // the record goes on
    EXPECT_EQ(one.waiting(), 2 * queued);
    EXPECT_EQ(one.record->visits({}).size(), 2u);

    std::promise<SyncStatus> first;
    bool told = false;
    {
        Syncer::Options options;
        options.settings = one.settings;
        options.recordPath = one.dir.db();
        Syncer syncer(options, [&](const SyncStatus& status) {
            if (!told) {
                told = true;
                first.set_value(status);
            }
        });
        const SyncStatus status = first.get_future().get();
        EXPECT_TRUE(status.unreachableSince.has_value());
        EXPECT_EQ(status.waiting, 2 * queued);
        EXPECT_FALSE(status.lastPushAt.has_value());
    }  // stops without waiting for its next try
    EXPECT_EQ(one.waiting(), 2 * queued);
}

}  // namespace
}  // namespace tvx::sync::testing
