#include <gtest/gtest.h>

#include "session/code_journal.h"
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

}  // namespace
}  // namespace tvx::session
