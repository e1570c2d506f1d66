#include <gtest/gtest.h>

#include "datadir/restore_choice.h"

namespace tvx::session {
namespace {

constexpr const char* kGood = "1111111111111111";
constexpr const char* kNew = "2222222222222222";
constexpr const char* kMixed = "2222222211111111";  // the new first half, the old second
constexpr const char* kOther = "3333333333333333";

// A run in a line of a table: what it began from, what it wrote, how it ended.
RunFacts run(std::int64_t id, const char* before, const char* written, const char* result,
             const char* holds = "", bool restore = false) {
    RunFacts r;
    r.id = id;
    r.startedAt = id * 1000;
    r.codeBefore = before;
    r.codeNew = written;
    r.ended = std::string(result) != "killed";
    r.result = r.ended ? result : "started";
    r.holds = holds;
    r.restore = restore;
    return r;
}

struct ChoiceCase {
    const char* name;
    std::vector<RunFacts> runs;
    std::optional<std::int64_t> chosenRun;  // the run whose code before is written back
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class RestoreChoiceTable : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(RestoreChoiceTable, WritesBackTheLastCodeTheUnitWasKnownToHoldWhole) {
    const ChoiceCase& c = GetParam();
    const RestoreChoice choice = chooseRestore(c.runs);
    if (!c.chosenRun) {
        EXPECT_FALSE(choice.run);
        EXPECT_FALSE(choice.whyNot.empty());
        return;
    }
    ASSERT_TRUE(choice.run) << choice.whyNot;
    EXPECT_EQ(c.runs[*choice.run].id, *c.chosenRun);
    for (const RunFacts& r : c.runs) {
        if (r.id == *c.chosenRun) {
            EXPECT_NE(r.codeBefore, std::string(kMixed));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chains, RestoreChoiceTable,
    ::testing::Values(
        ChoiceCase{"NoRun", {}, std::nullopt},
        ChoiceCase{"OneFinishedRun", {run(1, kGood, kNew, "finished", "new")}, 1},
        ChoiceCase{
            "TwoFinishedRunsGoBackOneStep",
            {run(1, kGood, kNew, "finished", "new"), run(2, kNew, kOther, "finished", "new")},
            2},
        // Killed after the first half was stored, then programmed again.
        ChoiceCase{"KilledThenProgrammedAgain",
                   {run(1, kGood, kNew, "killed"), run(2, kMixed, kNew, "finished", "new")},
                   1},
        ChoiceCase{
            "FailedUnreadThenProgrammedAgain",
            {run(1, kGood, kNew, "failed", "not read"), run(2, kMixed, kNew, "finished", "new")},
            1},
        ChoiceCase{"FailedHoldingTheNewCodeIsNotAStartingPoint",
                   {run(1, kGood, kNew, "failed", "new"), run(2, kNew, kOther, "finished", "new")},
                   1},
        ChoiceCase{"FailedButTheOldCodeWasKept",
                   {run(1, kGood, kNew, "failed", "old"), run(2, kGood, kNew, "finished", "new")},
                   2},
        ChoiceCase{"KilledBeforeWritingLeavesTheCodeWhole",
                   {run(1, kGood, kNew, "killed"), run(2, kGood, kNew, "finished", "new")},
                   2},
        // A restore never offers its own code before (that would toggle back).
        ChoiceCase{
            "RestoreThenRestoreAgain",
            {run(1, kGood, kNew, "finished", "new"), run(2, kNew, kGood, "finished", "new", true)},
            1},
        ChoiceCase{
            "RestoreKilledAtItsFirstStore",
            {run(1, kGood, kNew, "finished", "new"), run(2, kNew, kGood, "killed", "", true)},
            1},
        ChoiceCase{"KilledThenRestoreKilledThenRestore",
                   {run(1, kGood, kNew, "killed"), run(2, kMixed, kGood, "killed", "", true),
                    run(3, "1111111122222222", kGood, "finished", "new", true)},
                   1},
        ChoiceCase{"TwoKilledRunsInARow",
                   {run(1, kGood, kNew, "finished", "new"), run(2, kNew, kOther, "killed"),
                    run(3, "3333333322222222", kOther, "killed"),
                    run(4, "2222222233333333", kOther, "finished", "new")},
                   2},
        ChoiceCase{"OnlyRestores", {run(1, kNew, kGood, "finished", "new", true)}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// Journals of the first form kept no run ends: a code equal to the one the run before
// was to write is the only sign that run went through.
TEST(RestoreChoice, ARunOfAnOlderJournalCountsAsDoneWhenTheNextBeganFromItsCode) {
    std::vector<RunFacts> runs{run(1, kGood, kNew, "killed"), run(2, kNew, kOther, "killed"),
                               run(3, kMixed, kOther, "killed")};
    for (RunFacts& r : runs) {
        r.endsKept = false;
    }
    EXPECT_TRUE(codeBeforeIsWhole(runs, 1));
    EXPECT_FALSE(codeBeforeIsWhole(runs, 2));
    EXPECT_EQ(chooseRestore(runs).run, 1u);
}

struct ChosenCase {
    const char* name;
    std::int64_t id;
    bool allowed;
    const char* reason;  // part of the refusal
};

class RestoreOfARun : public ::testing::TestWithParam<ChosenCase> {};

TEST_P(RestoreOfARun, IsRefusedWithTheReasonWhenItsCodeBeforeMayBeMixed) {
    const ChosenCase& c = GetParam();
    const std::vector<RunFacts> runs{
        run(1, kGood, kNew, "finished", "new"), run(2, kNew, kOther, "killed"),
        run(3, kMixed, kOther, "finished", "new"), run(4, kOther, kNew, "finished", "new", true)};
    const RestoreChoice choice = chooseRestoreOf(runs, c.id);
    ASSERT_EQ(choice.run.has_value(), c.allowed) << choice.whyNot;
    if (c.allowed) {
        EXPECT_EQ(runs[*choice.run].id, c.id);
    } else {
        EXPECT_NE(choice.whyNot.find(c.reason), std::string::npos) << choice.whyNot;
    }
}

INSTANTIATE_TEST_SUITE_P(ById, RestoreOfARun,
                         ::testing::Values(ChosenCase{"First", 1, true, ""},
                                           ChosenCase{"AfterAFinishedRun", 2, true, ""},
                                           ChosenCase{"AfterAKilledRun", 3, false,
                                                      "may be a mixed code"},
                                           ChosenCase{"ARestore", 4, false, "itself a restore"},
                                           ChosenCase{"Unknown", 9, false, "no run 9"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RestoreChoice, WhatTheUnitHoldsAfterAnUnfinishedRunIsSaidPlainly) {
    const RunFacts killed = run(7, kGood, kNew, "killed");
    EXPECT_EQ(runEndText(killed), "never finished (the tester stopped during it)");
    EXPECT_EQ(holdsText(killed, kGood), "the code it began from");
    EXPECT_EQ(holdsText(killed, kNew), "the code it was to write");
    EXPECT_EQ(holdsText(killed, kMixed), "a MIXED code (part of the code it was to write)");
}

}  // namespace
}  // namespace tvx::session
