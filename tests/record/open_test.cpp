// Opening the record: what another program does meanwhile, damaged files, read-only opens.
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>

#include "record/schema.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::contentOf;
using testing::Dir;
using testing::openOrFail;

// A record of `visits` visits, each with a code read, closed (everything in the file).
void fill(const std::filesystem::path& path, int visits, int readingsEach = 0) {
    auto record = openOrFail(path);
    for (int v = 0; v < visits; ++v) {
        const auto visit = record->beginVisit({1000 + v, false, "MONDEO", true, "en"});
        record->addCodeRead(visit, testing::codeRead(1, {testing::code(0x0171, "P0171")}));
        if (readingsEach > 0) {
            const auto recording =
                record->beginRecording(visit, 71, 1, {{0, "rpmd", "engine speed", "rpm"}});
            record->addReadings(recording,
                                std::vector<Reading>(readingsEach, Reading{5, 0, 812.5}));
        }
    }
}

std::vector<std::filesystem::path> movedAside(const Dir& dir, const char* ending = "") {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("tarvolinex.db.damaged-") && name.ends_with(ending) &&
            (std::string(ending) == ".txt" || !name.ends_with(".txt"))) {
            found.push_back(entry.path());
        }
    }
    return found;
}

TEST(RecordOpen, ATransactionThatCannotBeginLeavesTheConnectionAtNormalSync) {
    Dir dir;
    auto record = openOrFail(dir.db(), {Database::Mode::ReadWrite, 0, 0});
    Database other(dir.db(), Database::Mode::ReadWrite);
    other.exec("BEGIN EXCLUSIVE");
    Database& db = record->database();
    EXPECT_THROW(Transaction(db, true), DbError);
    EXPECT_EQ(db.queryInteger("PRAGMA synchronous"), 1);  // NORMAL, not FULL (2)
    other.exec("ROLLBACK");
}

// Another program (a newer Tarvolinex) migrates the new file while this one waits for the
// lock: what the file holds is decided inside the transaction, so it is refused.
TEST(RecordOpen, ANewerProgramMigratingWhileThisOneWaitedIsRefused) {
    Dir dir;
    Database newer(dir.db(), Database::Mode::ReadWrite);
    newer.exec("PRAGMA journal_mode=WAL");
    newer.exec(
        "BEGIN IMMEDIATE; CREATE TABLE schema_version(version INTEGER NOT NULL); INSERT INTO "
        "schema_version VALUES (" +
        std::to_string(kSchemaVersion + 1) + ")");
    Database db(dir.db(), Database::Mode::ReadWrite);
    // The first time this one meets the lock, the newer program commits.
    sqlite3_busy_handler(
        db.handle(),
        [](void* data, int) {
            static_cast<Database*>(data)->exec("COMMIT");
            return 1;
        },
        &newer);
    try {
        migrate(db);
        FAIL() << "migrated a file of a newer schema";
    } catch (const DbError& error) {
        EXPECT_EQ(error.primary(), SQLITE_MISMATCH);
        EXPECT_NE(std::string(error.what()).find("newer"), std::string::npos) << error.what();
    }
    EXPECT_EQ(db.queryInteger("SELECT count(*) FROM sqlite_master WHERE name = 'visits'"), 0);
}

#ifndef _WIN32
// A file next to the record that cannot even be looked at (a symbolic link to itself) must
// not turn opening into an unexpected error. (Windows makes no such links for a program.)
TEST(RecordOpen, ACompanionFileThatCannotBeLookedAtIsNoUnexpectedError) {
    Dir dir;
    std::ofstream(dir.db(), std::ios::binary) << std::string(8192, 'x');
    std::filesystem::path wal = dir.db();
    wal += "-wal";
    std::filesystem::create_symlink(wal.filename(), wal);
    Record::Opened opened;
    EXPECT_NO_THROW(opened = Record::open(dir.db()));
    EXPECT_TRUE(opened.record || !opened.problem.empty());
}
#endif

struct ReadOnlyCase {
    const char* name;
    const char* sql;  // what the file holds
    const char* said;
};

void PrintTo(const ReadOnlyCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordReadOnlyOpen : public ::testing::TestWithParam<ReadOnlyCase> {};

// Reading never brings a file up to date (that is a write): it says what the file is.
TEST_P(RecordReadOnlyOpen, AFileThatIsNotOfThisVersionIsSaidInWords) {
    Dir dir;
    {
        Database db(dir.db(), Database::Mode::ReadWrite);
        db.exec(GetParam().sql);
    }
    Record::Opened opened = Record::open(dir.db(), {Database::Mode::ReadOnly, 100, 0});
    EXPECT_FALSE(opened.record);
    EXPECT_NE(opened.problem.find(GetParam().said), std::string::npos) << opened.problem;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, RecordReadOnlyOpen,
    ::testing::Values(
        ReadOnlyCase{"Empty", "CREATE TABLE notes(text)", "holds no workshop record"},
        ReadOnlyCase{"Older",
                     "CREATE TABLE schema_version(version INTEGER); INSERT INTO schema_version "
                     "VALUES (0)",
                     "holds no workshop record"},
        ReadOnlyCase{"Newer",
                     "CREATE TABLE schema_version(version INTEGER); INSERT INTO schema_version "
                     "VALUES (99)",
                     "newer Tarvolinex"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file cut short opens (its first pages are there); it is seen as damaged all the same,
// moved aside with a note of why, and what can still be read goes into the new record.
TEST(RecordOpen, ACutFileIsMovedAsideWithItsReasonAndWhatCanBeReadIsKept) {
    Dir dir;
    fill(dir.db(), 5, 3000);
    const auto size = std::filesystem::file_size(dir.db());
    std::filesystem::resize_file(dir.db(), size / 2);
    const std::string cut = contentOf(dir.db());

    Record::Opened opened = Record::open(dir.db());
    ASSERT_TRUE(opened.record) << opened.problem;
    ASSERT_TRUE(opened.movedAside);
    EXPECT_EQ(contentOf(*opened.movedAside), cut);  // kept as it was
    EXPECT_NE(opened.damage.find("integrity check"), std::string::npos) << opened.damage;
    const auto notes = movedAside(dir, ".txt");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(contentOf(notes[0]).find(opened.damage), std::string::npos);
    // The visits sit in the file's first pages: all five are kept.
    EXPECT_EQ(opened.record->visits({}).size(), 5u);
    EXPECT_GE(opened.rowsKept, 10);
    Statement check(opened.record->database(), "PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.text(0), "ok");  // the new record is whole
}

// Overwrites the start of the file, SQLite's header: the file is no database any more.
std::string damageHeader(const std::filesystem::path& path) {
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(0);
        file << "no longer a database header";
    }
    return contentOf(path);
}

// A connection that still has the file open (of this program here; the test below has
// another program's) keeps it where it is; once it is closed, the damage is acted on.
TEST(RecordOpen, ADamagedFileStillOpenIsLeftWhereItIsUntilItIsClosed) {
    Dir dir;
    fill(dir.db(), 3);
    std::string damaged;
    {
        Database holder(dir.db(), Database::Mode::ReadWrite);
        holder.queryInteger("SELECT count(*) FROM visits");
        damaged = damageHeader(dir.db());
        const Record::Opened opened = Record::open(dir.db());
        EXPECT_FALSE(opened.record);
        EXPECT_FALSE(opened.movedAside);
        EXPECT_EQ(contentOf(dir.db()), damaged);
    }
    const Record::Opened opened = Record::open(dir.db());
    ASSERT_TRUE(opened.record) << opened.problem;
    ASSERT_TRUE(opened.movedAside);
    EXPECT_EQ(contentOf(*opened.movedAside), damaged);
}

#ifndef _WIN32
// Damage met while another program has the file open is never acted on: moving the file
// away under it would split the history in two.
TEST(RecordOpen, ADamagedFileThatAnotherProgramHasOpenIsLeftWhereItIs) {
    Dir dir;
    fill(dir.db(), 3);
    int ready[2];
    int done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Database db(dir.db(), Database::Mode::ReadWrite);
        db.queryInteger("SELECT count(*) FROM visits");  // holds its locks from here on
        char byte = 1;
        (void)!write(ready[1], &byte, 1);
        (void)!read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const std::string damaged = damageHeader(dir.db());
    Record::Opened opened = Record::open(dir.db());
    EXPECT_FALSE(opened.record);
    EXPECT_FALSE(opened.movedAside);
    EXPECT_NE(opened.problem.find("another program has it open"), std::string::npos)
        << opened.problem;
    EXPECT_EQ(contentOf(dir.db()), damaged);

    (void)!write(done[1], &byte, 1);
    int status = 0;
    waitpid(child, &status, 0);
    // Alone with it, the damage is real: moved aside.
    opened = Record::open(dir.db());
    ASSERT_TRUE(opened.record) << opened.problem;
    ASSERT_TRUE(opened.movedAside);
    EXPECT_EQ(contentOf(*opened.movedAside), damaged);
}
#endif

// A file the keeper saw failing in use is checked at the next open; whole, it stays.
TEST(RecordOpen, AFileSuspectedButWholeStaysWithItsHistory) {
    Dir dir;
    fill(dir.db(), 2);
    ASSERT_TRUE(Record::suspectDamage(dir.db(), "database disk image is malformed"));
    Record::Opened opened = Record::open(dir.db());
    ASSERT_TRUE(opened.record) << opened.problem;
    EXPECT_FALSE(opened.movedAside);
    EXPECT_EQ(opened.record->visits({}).size(), 2u);
    EXPECT_TRUE(movedAside(dir).empty());
}

}  // namespace
}  // namespace tvx::record
