#include <gtest/gtest.h>

#include <fstream>

#include "datadir/code_journal.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

JournalEntry entry(int injector, const std::string& vin, const std::string& oldCode,
                   std::int64_t timeMs) {
    JournalEntry e;
    e.timeMs = timeMs;
    e.plan.injector = injector;
    e.plan.oldCode = oldCode;
    e.plan.newCode = "0123456789ABCDEF";
    e.plan.vin = vin;
    e.plan.vehicle = "FOCUS 1.8 TDCI";
    for (int n = 1; n <= 4; ++n) {
        e.plan.codesRead[n] = n == injector ? oldCode : std::string(16, static_cast<char>('0' + n));
    }
    for (int b = 1; b <= 8; ++b) {
        e.plan.blocks[b].address = {0x0A, 0x1F, static_cast<std::uint8_t>(0x40 - 4 * b)};
        e.plan.blocks[b].data = {static_cast<std::uint8_t>(b), 0xAB, 0xCD, 0xEF};
    }
    return e;
}

TEST(CodeJournal, ALineReadsBackAsWritten) {
    const JournalEntry written = entry(3, "WF0XXXTTGXAB00001", "21436587A9CBED0F", 1700000000123);
    const auto read =
        parseJournalLine(journalLine(written).substr(0, journalLine(written).size() - 1));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->timeMs, written.timeMs);
    EXPECT_EQ(read->plan.injector, 3);
    EXPECT_EQ(read->plan.oldCode, written.plan.oldCode);
    EXPECT_EQ(read->plan.newCode, written.plan.newCode);
    EXPECT_EQ(read->plan.codesRead, written.plan.codesRead);
    EXPECT_EQ(read->plan.vin, written.plan.vin);
    EXPECT_EQ(read->plan.vehicle, written.plan.vehicle);
    for (int b = 1; b <= 8; ++b) {
        EXPECT_EQ(read->plan.blocks[b].address, written.plan.blocks[b].address) << b;
        EXPECT_EQ(read->plan.blocks[b].data, written.plan.blocks[b].data) << b;
    }
}

TEST(CodeJournal, TabsAndLineEndsInNamesCannotBreakALine) {
    JournalEntry e = entry(1, "AB\tC\nD", "123456789ABCDEF0", 5);
    const std::string line = journalLine(e);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    const auto read = parseJournalLine(line.substr(0, line.size() - 1));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->plan.vin, "AB?C?D");
}

TEST(CodeJournal, DamagedLinesAreSkippedAndTheLatestMatchingEntryWins) {
    testing::TempDir dir;
    CodeJournal journal(dir.path());
    std::string whyNot;
    ASSERT_TRUE(journal.beforeFirstWrite(entry(2, "VIN-A", "1111111111111111", 0).plan, whyNot));
    dir.write("extra", "");
    {
        std::ofstream out(journal.path(), std::ios::app);
        out << "half a line\t2\n"
            << "x\t2\tNOTACODE\t\t\t\t\t\n";
    }
    ASSERT_TRUE(journal.beforeFirstWrite(entry(2, "VIN-B", "2222222222222222", 0).plan, whyNot));
    ASSERT_TRUE(journal.beforeFirstWrite(entry(3, "VIN-A", "3333333333333333", 0).plan, whyNot));
    ASSERT_TRUE(journal.beforeFirstWrite(entry(2, "VIN-A", "4444444444444444", 0).plan, whyNot));

    const auto entries = readJournal(journal.path());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_GT(entries[0].timeMs, 1600000000000);  // the wall clock, in milliseconds

    struct Case {
        int injector;
        const char* vin;
        const char* oldCode;
    };
    for (const Case& c :
         {Case{2, "VIN-A", "4444444444444444"}, Case{2, "VIN-B", "2222222222222222"},
          Case{2, "", "4444444444444444"}, Case{3, "", "3333333333333333"}}) {
        const auto latest = latestJournalEntry(entries, c.injector, c.vin);
        ASSERT_TRUE(latest) << c.injector << c.vin;
        EXPECT_EQ(latest->plan.oldCode, c.oldCode) << c.injector << c.vin;
    }
    EXPECT_FALSE(latestJournalEntry(entries, 4, ""));
    EXPECT_FALSE(latestJournalEntry(entries, 3, "VIN-B"));
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void appendText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

// The bytes the journal appends for one run, as it writes them.
std::string bytesOfEntry(const ProgrammingPlan& plan) {
    testing::TempDir scratch;
    CodeJournal journal(scratch.path());
    std::string whyNot;
    EXPECT_TRUE(journal.beforeFirstWrite(plan, whyNot)) << whyNot;
    return fileText(journal.path());
}

std::vector<std::string> oldCodesOf(const std::vector<JournalEntry>& entries) {
    std::vector<std::string> codes;
    for (const JournalEntry& e : entries) {
        codes.push_back(e.plan.oldCode);
    }
    return codes;
}

// A crash or a full disk cuts an entry short at any byte; the run after it appends the
// next. Both whole entries read back, and the cut one is reported, never read.
TEST(CodeJournal, AnEntryCutAtAnyByteNeverSwallowsTheNextOne) {
    const std::string cut = bytesOfEntry(entry(2, "VIN-A", "2222222222222222", 0).plan);
    ASSERT_GT(cut.size(), 100u);
    for (std::size_t kept = 1; kept < cut.size(); ++kept) {
        testing::TempDir dir;
        CodeJournal journal(dir.path());
        std::string whyNot;
        ASSERT_TRUE(
            journal.beforeFirstWrite(entry(2, "VIN-A", "1111111111111111", 0).plan, whyNot));
        appendText(journal.path(), cut.substr(0, kept));
        ASSERT_TRUE(
            journal.beforeFirstWrite(entry(2, "VIN-A", "3333333333333333", 0).plan, whyNot));

        const JournalContents contents = readJournalFile(journal.path());
        // Only its last byte lost: the entry is whole, and its check says so.
        const bool whole = kept + 1 == cut.size();
        const bool onlyItsLineEnd = kept == 1;  // the line end that begins every entry
        const std::vector<std::string> expected =
            whole ? std::vector<std::string>{"1111111111111111", "2222222222222222",
                                             "3333333333333333"}
                  : std::vector<std::string>{"1111111111111111", "3333333333333333"};
        EXPECT_EQ(oldCodesOf(contents.runs), expected) << "cut after " << kept << " bytes";
        EXPECT_EQ(contents.damagedLines.size(), whole || onlyItsLineEnd ? 0u : 1u)
            << "cut after " << kept << " bytes";
        EXPECT_EQ(oldCodesOf(readJournal(journal.path())), expected);
    }
}

TEST(CodeJournal, ATornTailAtTheEndOfTheFileIsReportedWithItsLine) {
    testing::TempDir dir;
    CodeJournal journal(dir.path());
    std::string whyNot;
    ASSERT_TRUE(journal.beforeFirstWrite(entry(1, "V", "1111111111111111", 0).plan, whyNot));
    const std::string next = bytesOfEntry(entry(1, "V", "2222222222222222", 0).plan);
    appendText(journal.path(), next.substr(0, next.size() / 2));

    const JournalContents contents = readJournalFile(journal.path());
    EXPECT_EQ(oldCodesOf(contents.runs), std::vector<std::string>{"1111111111111111"});
    const std::string text = fileText(journal.path());
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(contents.damagedLines, std::vector<int>{lines + 1});
}

// An entry whose bytes changed after it was written (a bad sector, an editor) fails its
// check, whichever byte changed; an entry of the first form has no check to fail.
TEST(CodeJournal, AnAlteredByteFailsTheEntrysCheck) {
    const std::string good = bytesOfEntry(entry(4, "VIN-C", "4444444444444444", 9).plan);
    for (std::size_t at = 1; at + 1 < good.size(); ++at) {
        std::string altered = good;
        altered[at] = altered[at] == '7' ? '8' : '7';
        testing::TempDir dir;
        appendText(dir.path() / CodeJournal::kFileName, altered);
        const JournalContents contents = readJournalFile(dir.path() / CodeJournal::kFileName);
        EXPECT_TRUE(contents.runs.empty()) << "byte " << at;
        EXPECT_EQ(contents.damagedLines.size(), 1u) << "byte " << at;
    }
}

// Journals written by earlier versions stay readable: their lines carry no check and no
// run ends, and mix with the entries written since.
TEST(CodeJournal, JournalsOfTheFirstFormAreStillRead) {
    testing::TempDir dir;
    const auto path = dir.path() / CodeJournal::kFileName;
    appendText(path, journalLine(entry(3, "VIN-A", "1111111111111111", 100)) +
                         journalLine(entry(3, "VIN-A", "2222222222222222", 200)));
    CodeJournal journal(dir.path());
    std::string whyNot;
    ASSERT_TRUE(journal.beforeFirstWrite(entry(3, "VIN-A", "3333333333333333", 0).plan, whyNot));

    const JournalContents contents = readJournalFile(path);
    EXPECT_EQ(
        oldCodesOf(contents.runs),
        (std::vector<std::string>{"1111111111111111", "2222222222222222", "3333333333333333"}));
    ASSERT_EQ(contents.runs.size(), 3u);
    EXPECT_TRUE(contents.runs[0].legacy);
    EXPECT_FALSE(contents.runs[2].legacy);
    EXPECT_EQ(contents.runs[0].timeMs, 100);
    EXPECT_TRUE(contents.damagedLines.empty());
}

TEST(CodeJournal, RunEndsAndRestoresAreKeptWithTheirRun) {
    testing::TempDir dir;
    CodeJournal journal(dir.path());
    std::string whyNot;
    ProgrammingPlan plan = entry(2, "VIN-A", "1111111111111111", 0).plan;
    ASSERT_TRUE(journal.beforeFirstWrite(plan, whyNot));
    ProgrammingEnd end;
    end.injector = 2;
    end.result = ProgrammingEnd::Result::Failed;
    end.writeSent = true;
    end.holds = UnitHolds::Mixed;
    end.readBack = "0123456711111111";
    ASSERT_TRUE(journal.runEnded(end));
    plan.restore = true;
    plan.oldCode = end.readBack;
    ASSERT_TRUE(journal.beforeFirstWrite(plan, whyNot));  // killed: no end follows

    const auto runs = journalRuns(readJournalFile(journal.path()), 2, "VIN-A");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].id, 1);
    EXPECT_TRUE(runs[0].ended);
    EXPECT_EQ(runs[0].result, "failed");
    EXPECT_EQ(runs[0].holds, "mixed");
    EXPECT_FALSE(runs[0].restore);
    EXPECT_EQ(runs[1].id, 2);
    EXPECT_FALSE(runs[1].ended);
    EXPECT_TRUE(runs[1].restore);
    EXPECT_EQ(runs[1].codeBefore, "0123456711111111");
    EXPECT_TRUE(journalRuns(readJournalFile(journal.path()), 2, "VIN-B").empty());
}

// Two runs of one injector whose clock readings meet (the same millisecond) or cross (the
// clock set back between them): the first ended, the second was cut off. The second must not
// take the first's end.
class JournalClock : public ::testing::TestWithParam<std::pair<std::int64_t, std::int64_t>> {};

TEST_P(JournalClock, ARunCutOffNeverTakesAnEarlierRunsEnd) {
    testing::TempDir dir;
    std::vector<std::int64_t> readings{GetParam().first, GetParam().second};
    CodeJournal journal(dir.path(), [&readings] {
        const std::int64_t now = readings.front();
        readings.erase(readings.begin());
        return now;
    });
    std::string whyNot;
    ProgrammingPlan plan = entry(3, "VIN-A", "1111111111111111", 0).plan;
    ASSERT_TRUE(journal.beforeFirstWrite(plan, whyNot)) << whyNot;
    ProgrammingEnd end;
    end.injector = 3;
    end.result = ProgrammingEnd::Result::Finished;
    end.holds = UnitHolds::NewCode;
    ASSERT_TRUE(journal.runEnded(end));
    plan.restore = true;
    ASSERT_TRUE(journal.beforeFirstWrite(plan, whyNot)) << whyNot;  // killed: no end follows

    const auto runs = journalRuns(readJournalFile(journal.path()), 3, "VIN-A");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].ended);
    EXPECT_EQ(runs[0].result, "finished");
    EXPECT_FALSE(runs[1].ended) << "the cut-off restore shows the earlier run's end";
    EXPECT_GT(runs[1].startedAt, runs[0].startedAt);
}

INSTANTIATE_TEST_SUITE_P(Readings, JournalClock,
                         ::testing::Values(std::pair<std::int64_t, std::int64_t>{1000, 1000},
                                           std::pair<std::int64_t, std::int64_t>{5000, 1000}));

}  // namespace
}  // namespace tvx::session
