#include <gtest/gtest.h>

#include <fstream>

#include "cli/exit_code.h"
#include "cli_fixture.h"
#include "sync/sync_settings.h"
#include "sync_fixture.h"

namespace tvx::sync::testing {
namespace {

using cli::testing::DataDir;
using cli::testing::runCli;
#ifndef _WIN32
using cli::testing::SimulatedCar;
#endif

constexpr const char* kVan = "TRANSIT connect 1.8 TDCI";

#ifdef _WIN32
// No pseudo-terminal to a simulated car on Windows: the visit's code read goes into the
// record as the session writes it.
void recordACodeRead(const DataDir& data) {
    auto record = record::testing::openOrFail(data.file(record::Record::kFileName));
    const auto visit = record->beginVisit({1000, false, kVan, true, "en"});
    record->addCodeRead(visit,
                        record::testing::codeRead(1, {record::testing::code(135, "P0087")}, 1010));
}
#endif

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Two bays set up and synced from the command line; the second sees the van's visit at the
// first, in its history and when it reads the van's VIN.
TEST_F(SyncTest, TheCommandLineSetsUpTwoBaysThatShareTheVansHistory) {
    DataDir one;
    DataDir two;
    const auto setup1 = runCli({"--data-dir", one.path(), "sync", "setup", as("bay_n1"),
                                "--workshop", "north", "--bay", "bay-1"});
    ASSERT_EQ(setup1.code, 0) << setup1.err;
    EXPECT_NE(setup1.out.find("never change it"), std::string::npos) << setup1.out;
    EXPECT_EQ(contentOf(one.file(SyncSettings::kFileName)).find("password="), std::string::npos);
    ASSERT_EQ(runCli({"--data-dir", two.path(), "sync", "setup", as("bay_n2"), "--workshop",
                      "north", "--bay", "bay-2"})
                  .code,
              0);

#ifdef _WIN32
    recordACodeRead(one);
#else
    SimulatedCar car("diesel-van");
    const auto read =
        runCli(cli::testing::onCar(car, one, {"--vehicle", kVan, "dtc", "read", "pcm"}));
    ASSERT_EQ(read.code, 0) << read.err;
#endif
    const auto push = runCli({"--data-dir", one.path(), "sync", "now"});
    EXPECT_EQ(push.code, 0) << push.err;
    std::cout << "sync counts: cli bay-1 " << push.out;
    const auto pull = runCli({"--data-dir", two.path(), "sync", "now"});
    EXPECT_EQ(pull.code, 0) << pull.err;
    std::cout << "sync counts: cli bay-2 " << pull.out;
    const auto history = runCli({"--data-dir", two.path(), "history"});
    EXPECT_NE(history.out.find("at bay bay-1"), std::string::npos) << history.out;

#ifndef _WIN32
    const auto scan = runCli(cli::testing::onCar(car, two, {"--vehicle", kVan, "scan"}));
    EXPECT_EQ(scan.code, 0) << scan.err;
    EXPECT_NE(scan.err.find("seen before: "), std::string::npos) << scan.err;
    EXPECT_NE(scan.err.find(", at bay bay-1: "), std::string::npos) << scan.err;
#endif

    const auto status = runCli({"--data-dir", two.path(), "sync", "status"});
    EXPECT_EQ(status.code, 0);
    EXPECT_NE(status.out.find("Server state:    reachable, schema 1"), std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("Other bays:      1 visits"), std::string::npos) << status.out;
    const auto turkish = runCli({"--data-dir", two.path(), "--lang", "tr", "sync", "status"});
    EXPECT_NE(turkish.out.find("Sunucu durumu:   ulaşılabilir"), std::string::npos) << turkish.out;

    // Off: the setting goes, the record keeps what waits.
    EXPECT_EQ(runCli({"--data-dir", two.path(), "sync", "off"}).code, 0);
    EXPECT_FALSE(std::filesystem::exists(two.file(SyncSettings::kFileName)));
    const auto off = runCli({"--data-dir", two.path(), "sync", "now"});
    EXPECT_EQ(off.code, static_cast<int>(cli::ExitCode::SyncFailed));
    EXPECT_NE(off.out.find("off"), std::string::npos);
}

// Set up against nothing: said plainly, nothing stored. A bay whose server is gone works as
// without one, and `sync now` says the push did not go through.
TEST(SyncCommandLine, AServerThatCannotBeReachedIsSaidAndTheTesterWorksOn) {
    DataDir data;
    const std::string unreachable = nowhere(data.path());
    const auto setup = runCli({"--data-dir", data.path(), "sync", "setup", unreachable,
                               "--workshop", "north", "--bay", "b"});
    EXPECT_EQ(setup.code, static_cast<int>(cli::ExitCode::SyncFailed));
    EXPECT_NE(setup.err.find("cannot reach the server"), std::string::npos) << setup.err;
    EXPECT_FALSE(std::filesystem::exists(data.file(SyncSettings::kFileName)));
    // A Turkish bay reads why in Turkish, and a name it cannot take too.
    const auto turkish = runCli({"--data-dir", data.path(), "--lang", "tr", "sync", "setup",
                                 unreachable, "--workshop", "north", "--bay", "b"});
    EXPECT_NE(turkish.err.find("sunucuya ulaşılamıyor: "), std::string::npos) << turkish.err;
    const auto badName = runCli({"--data-dir", data.path(), "--lang", "tr", "sync", "setup",
                                 unreachable, "--workshop", "north", "--bay", "bay 1"});
    EXPECT_NE(badName.err.find("bölme adında yalnız harf, rakam"), std::string::npos)
        << badName.err;
    EXPECT_FALSE(std::filesystem::exists(data.file(SyncSettings::kFileName)));

    saveSyncSettings(data.path(), {unreachable, "north", "bay-1"});
#ifdef _WIN32
    recordACodeRead(data);
#else
    SimulatedCar car("diesel-van");
    const auto read =
        runCli(cli::testing::onCar(car, data, {"--vehicle", kVan, "dtc", "read", "pcm"}));
    EXPECT_EQ(read.code, 0) << read.err;
#endif
    const auto now = runCli({"--data-dir", data.path(), "sync", "now"});
    EXPECT_EQ(now.code, static_cast<int>(cli::ExitCode::SyncFailed));
    EXPECT_NE(now.err.find("the push did not go through: the server cannot be reached"),
              std::string::npos)
        << now.err;
    const auto status = runCli({"--data-dir", data.path(), "sync", "status"});
    EXPECT_NE(status.out.find("Unreachable since "), std::string::npos) << status.out;
    EXPECT_EQ(status.out.find("Waiting:         0\n"), std::string::npos) << status.out;
}

}  // namespace
}  // namespace tvx::sync::testing
