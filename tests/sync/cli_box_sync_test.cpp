#include <gtest/gtest.h>

#include <future>
#include <sstream>

#include "cli/exit_code.h"
#include "cli_fixture.h"
#include "silent_server.h"
#include "sync/sync_settings.h"
#include "sync_fixture.h"

namespace tvx::sync::testing {
namespace {

using cli::testing::DataDir;
using cli::testing::runCli;
using cli::testing::SimulatedCar;

constexpr const char* kVan = "TRANSIT connect 1.8 TDCI";

std::vector<std::string> readCodes(const SimulatedCar& car, const DataDir& data) {
    return cli::testing::onCar(car, data, {"--vehicle", kVan, "dtc", "read", "pcm"});
}

cli::testing::CliResult runWaiting(const std::vector<std::string>& args,
                                   std::chrono::milliseconds exitWait) {
    cli::Environment environment;
    environment.syncExitWait = exitWait;
    std::istringstream none;
    return runCli(args, none, environment);
}

// The code read of a box command reaches the server while the command runs and before it
// ends, without `sync now`: nothing waits on the PC afterwards.
TEST_F(SyncTest, ABoxCommandPutsWhatItReadOnTheServerWithoutSyncNow) {
    DataDir data;
    ASSERT_EQ(runCli({"--data-dir", data.path(), "sync", "setup", as("bay_n1"), "--workshop",
                      "north", "--bay", "bay-1"})
                  .code,
              0);
    SimulatedCar car("diesel-van");
    // The wait only keeps a broken build from hanging: the push ends it.
    const auto read = runWaiting(readCodes(car, data), std::chrono::minutes(2));
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_EQ(read.err.find("wait on this PC"), std::string::npos) << read.err;
    EXPECT_EQ(stored("bay = 'bay-1' AND kind = 'code_read'"), 1);
    EXPECT_EQ(stored("bay = 'bay-1' AND kind = 'visit'"), 1);
    const auto status = runCli({"--data-dir", data.path(), "sync", "status"});
    EXPECT_NE(status.out.find("Waiting:         0\n"), std::string::npos) << status.out;
}

// The server down (nothing listens where it was): the command does its work, says what
// waits and why, in the run's language, and the record keeps it for later.
struct DownCase {
    const char* language;
    const char* says;
};

class ServerDown : public ::testing::TestWithParam<DownCase> {};

TEST_P(ServerDown, TheCommandSucceedsAndSaysWhatWaits) {
    DataDir data;
    saveSyncSettings(data.path(), {"host=127.0.0.1 port=" + std::to_string(downPort()) +
                                       " dbname=tvx user=bay_n1",
                                   "north", "bay-1"});
    SimulatedCar car("diesel-van");
    auto args = readCodes(car, data);
    args.insert(args.begin(), {"--lang", GetParam().language});
    const auto read = runWaiting(args, std::chrono::minutes(2));
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_NE(read.err.find(GetParam().says), std::string::npos) << read.err;
    const auto status = runCli({"--data-dir", data.path(), "sync", "status"});
    EXPECT_EQ(status.out.find("Waiting:         0\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("Unreachable since "), std::string::npos) << status.out;
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ServerDown,
    ::testing::Values(DownCase{"en",
                               " entries wait on this PC for the server (server "
                               "unreachable since "},
                      DownCase{"tr", " kayıt bu bilgisayarda sunucuyu bekliyor (sunucuya "}));

// A server that takes the connection and never answers (no time-out of libpq's own: it
// would wait for ever) holds neither the command nor its end.
TEST(SyncCommandLine, AServerThatNeverAnswersDoesNotHoldTheCommandsEnd) {
    DataDir data;
    SilentServer silent;
    saveSyncSettings(data.path(), {"host=127.0.0.1 port=" + std::to_string(silent.port()) +
                                       " dbname=tvx user=bay_n1 connect_timeout=0",
                                   "north", "bay-1"});
    SimulatedCar car("diesel-van");
    auto run = std::async(std::launch::async, [&] {
        return runWaiting(readCodes(car, data), std::chrono::milliseconds(500));
    });
    // Only a command that waits for the server is still running after this long.
    const bool ended = run.wait_for(std::chrono::minutes(2)) == std::future_status::ready;
    silent.close();  // the passes under way fail, their thread ends
    ASSERT_TRUE(ended) << "the command's end waited for a server that never answers";
    const auto read = run.get();
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_NE(read.err.find("entries wait on this PC for the server (the server did not answer "
                            "in time)"),
              std::string::npos)
        << read.err;
}

}  // namespace
}  // namespace tvx::sync::testing
