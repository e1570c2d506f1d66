#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "sync_fixture.h"

namespace tvx::sync::testing {
namespace {

// A server of this test's own (the other tests go on with theirs), stopped at once in the
// middle of a push as a crash or a pulled cable would, and started again.
class OwnServer {
public:
    OwnServer() {
        m_ok = run("start") == 0;
        std::ifstream env(m_dir.path() / "server" / "env");
        std::string line;
        while (std::getline(env, line)) {
            const auto equals = line.find('=');
            if (equals != std::string::npos) {
                m_env[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
    }
    ~OwnServer() { run("remove"); }
    bool ok() const { return m_ok; }
    int run(const std::string& action) {
        const std::string command = std::string(TVX_PG_SERVER_SCRIPT) + " " + action + " " +
                                    (m_dir.path() / "server").string() + " >/dev/null";
        return std::system(command.c_str());
    }
    std::string conninfo(const std::string& user) {
        return "host=" + m_env["TVX_PG_HOST"] + " port=" + m_env["TVX_PG_PORT"] +
               " dbname=tvx user=" + user;
    }

private:
    Dir m_dir;
    bool m_ok = false;
    std::map<std::string, std::string> m_env;
};

// The server goes in the middle of a batch, then comes back: nothing lost, nothing twice.
TEST(SyncOutage, TheServerStoppedInTheMiddleOfABatchLosesNothingAndRepeatsNothing) {
    OwnServer server;
    ASSERT_TRUE(server.ok()) << "tests/sync/pg-server.sh could not start a server";
    {
        PgConnection owner(server.conninfo("tvx_owner"));
        migrateServer(owner);
    }
    Bay one({server.conninfo("bay_n1"), "north", "bay-1"});
    for (int visit = 0; visit < 5; ++visit) {
        one.serve("VIN" + std::to_string(visit), 1000 + visit * 100);
    }
    const auto queued = one.waiting();
    PassOptions small;
    small.batchSize = 4;

    // The second batch is on the server, uncommitted, when the server goes.
    int batches = 0;
    PassOptions cut = small;
    cut.hooks.beforeCommit = [&] {
        if (++batches == 2) {
            ASSERT_EQ(server.run("halt"), 0);
        }
    };
    const auto broken = one.pass(cut);
    EXPECT_TRUE(broken.unreachable) << broken.problem;
    EXPECT_EQ(broken.batches, 1);
    EXPECT_EQ(one.waiting(), queued - 4);
    const auto status = readSyncStatus(one.db());
    EXPECT_TRUE(status.unreachableSince.has_value());

    // Back: the rest goes, the first batch is not sent again.
    ASSERT_EQ(server.run("resume"), 0);
    const auto again = one.pass(small);
    ASSERT_TRUE(again.ok()) << again.problem;
    EXPECT_EQ(again.sent, queued - 4);
    EXPECT_EQ(again.repeated, 0);
    EXPECT_EQ(one.waiting(), 0);
    EXPECT_FALSE(readSyncStatus(one.db()).unreachableSince.has_value());

    // The server goes after it committed a batch but before this PC heard: sent again,
    // stored once.
    one.serve("VIN9", 9000);
    const auto more = one.waiting();
    PassOptions lost = small;
    lost.hooks.afterCommit = [&] {
        EXPECT_EQ(server.run("halt"), 0);
        throw PgError("", "the answer to the commit was lost");
    };
    EXPECT_TRUE(one.pass(lost).unreachable);
    ASSERT_EQ(server.run("resume"), 0);
    const auto last = one.pass(small);
    ASSERT_TRUE(last.ok()) << last.problem;
    EXPECT_EQ(last.repeated, std::min<std::int64_t>(4, more));
    EXPECT_EQ(last.sent, more - last.repeated);

    PgConnection owner(server.conninfo("tvx_owner"));
    EXPECT_EQ(owner.exec("SELECT count(*), count(DISTINCT uid) FROM tvx.history").text(0, 0),
              std::to_string(queued + more));
    EXPECT_EQ(owner.exec("SELECT count(DISTINCT row_uid) FROM tvx.history").text(0, 0),
              std::to_string(queued + more));

    // A second bay pulls it all, each visit once.
    Bay two({server.conninfo("bay_n2"), "north", "bay-2"});
    const auto pulled = two.pass();
    ASSERT_TRUE(pulled.ok()) << pulled.problem;
    EXPECT_EQ(pulled.received, queued + more);
    EXPECT_EQ(two.record->visits({}).size(), 6u);
}

}  // namespace
}  // namespace tvx::sync::testing
