#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "record/schema.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::contentOf;
using testing::Dir;
using testing::openOrFail;

TEST(RecordFaults, AFileThatIsNoDatabaseIsMovedAsideAndANewRecordBegins) {
    Dir dir;
    const std::string junk = "these are a mechanic's notes, not a database\n";
    std::ofstream(dir.db(), std::ios::binary) << junk << std::string(5000, 'x');
    Record::Opened opened = Record::open(dir.db());
    ASSERT_TRUE(opened.record) << opened.problem;
    ASSERT_TRUE(opened.movedAside);
    EXPECT_EQ(contentOf(*opened.movedAside).substr(0, junk.size()), junk);
    EXPECT_NE(opened.movedAside->filename().string().find("tarvolinex.db.damaged-"),
              std::string::npos);
    EXPECT_GT(opened.record->beginVisit({1, false, "", false, "en"}), 0);
}

TEST(RecordFaults, ARecordOfANewerSchemaIsLeftAlone) {
    Dir dir;
    {
        auto record = openOrFail(dir.db());
        record->database().exec("INSERT INTO schema_version(version) VALUES (99)");
    }
    const std::string before = contentOf(dir.db());
    Record::Opened opened = Record::open(dir.db());
    EXPECT_FALSE(opened.record);
    EXPECT_FALSE(opened.movedAside);
    EXPECT_NE(opened.problem.find("newer"), std::string::npos) << opened.problem;
    EXPECT_EQ(contentOf(dir.db()), before);
}

TEST(RecordFaults, ALockedRecordFailsAfterTheBusyTimeOutWithAPlainReason) {
    Dir dir;
    auto record = openOrFail(dir.db(), {Database::Mode::ReadWrite, 50, 0});
    Database other(dir.db(), Database::Mode::ReadWrite);
    other.exec("BEGIN EXCLUSIVE");
    try {
        record->beginVisit({1, false, "", false, "en"});
        FAIL() << "wrote through a lock";
    } catch (const DbError& error) {
        EXPECT_EQ(error.primary(), SQLITE_BUSY);
        EXPECT_EQ(Record::plainProblem(error), "the record file is locked by another program");
    }
    other.exec("ROLLBACK");
    EXPECT_GT(record->beginVisit({1, false, "", false, "en"}), 0);
}

TEST(RecordFaults, AFullDiskIsSaidPlainly) {
    Dir dir;
    auto record = openOrFail(dir.db(), {Database::Mode::ReadWrite, 50, 40});
    const auto visit = record->beginVisit({1, false, "", false, "en"});
    const auto recording =
        record->beginRecording(visit, 71, 1, {{0, "rpmd", "engine speed", "rpm"}});
    try {
        for (int batch = 0; batch < 1000; ++batch) {
            std::vector<Reading> readings(100, Reading{batch, 0, 812.5});
            record->addReadings(recording, readings);
        }
        FAIL() << "the file never filled";
    } catch (const DbError& error) {
        EXPECT_EQ(error.primary(), SQLITE_FULL);
        EXPECT_EQ(Record::plainProblem(error), "the disk is full");
    }
}

// Root writes any file; the read-only case is tried by an unprivileged child process.
TEST(RecordFaults, AReadOnlyRecordCannotBeKept) {
    Dir dir;
    { openOrFail(dir.db()); }
    std::filesystem::permissions(dir.db(), std::filesystem::perms::owner_read |
                                               std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                        std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                        std::filesystem::perms::others_exec);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        Record::Opened opened = Record::open(dir.db());
        if (opened.record) {
            try {
                opened.record->beginVisit({1, false, "", false, "en"});
                _exit(1);  // it wrote
            } catch (const DbError& error) {
                _exit(Record::plainProblem(error).find("cannot be written") != std::string::npos
                          ? 0
                          : 2);
            }
        }
        _exit(opened.problem.find("cannot be written") != std::string::npos ? 0 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: it wrote, 2: another reason, 3: no unprivileged user";
}

}  // namespace
}  // namespace tvx::record
