#include <gtest/gtest.h>

#include "datadir/code_journal.h"
#include "event_log.h"
#include "link/injector_codes.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using Result = ProgrammingEnd::Result;

constexpr int kSlot = 2;  // the panel captioned "Injector 3"
constexpr const char* kNewCode = "0123456789ABCDEF";
// The unit's requests of a read of the four codes; a run's requests follow them.
constexpr int kReadRequests = 13;
constexpr int kRunStart = kReadRequests + 1;

std::string hex(const std::array<std::uint8_t, 8>& bytes) {
    return injectorCodeText(bytes);
}

// The unit leaves the n-th of its requests unanswered (after acting on it).
sim::Fault silentAt(int request) {
    return sim::Fault::silentModule(sim::kIcu).onInjectorRequest(request);
}

// A guard that refuses, or says yes and notes what the unit had received by then.
struct TestGuard final : ProgrammingGuard {
    bool beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) override {
        plans.push_back(plan);
        writesBefore = 0;
        for (const auto& request : box->requests()) {
            writesBefore += request.size() > 2 && request[2] == 0x36 ? 1 : 0;
        }
        if (!accept) {
            whyNot = "disk on fire";
        }
        return accept;
    }
    bool canKeep(std::string& whyNot) override {
        ++asked;
        if (!acceptNow) {
            whyNot = "record locked";
        }
        return acceptNow;
    }
    sim::Box* box = nullptr;
    bool accept = true;
    bool acceptNow = true;  // what canKeep says
    int asked = 0;
    int writesBefore = -1;
    std::vector<ProgrammingPlan> plans;
};

class Programming : public ::testing::Test {
protected:
    void SetUp() override {
        bench.session.addListener(log);
        bench.startToModuleMenu(true, 5, language);
        bench.session.selectModule(Module::Icu);
        before = hex(bench.box.injectorCode(kSlot));
        bench.session.readInjectors();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::OfferProgramming);
        ASSERT_EQ(bench.box.injectorRequests(), kReadRequests);
    }
    void toEntryScreen() {
        bench.session.programInjectors();
        for (int prompt = 0; prompt < 2; ++prompt) {
            bench.settle();
            bench.session.ok();
        }
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::EntryWait);
    }
    // Types the code for the slot and confirms: the run writes.
    void program(const std::string& code = kNewCode) {
        toEntryScreen();
        bench.session.injectorPanelClick(kSlot);
        bench.session.injectorOk(kSlot, code);
        bench.session.ok();
        bench.settle();
        bench.session.ok();
        bench.settle();
    }
    // Through the ignition steps after a write to the end of the run.
    void finish() {
        for (int prompt = 0; prompt < 2; ++prompt) {
            ASSERT_TRUE(bench.session.state() == State::IgnitionOffAfterWait ||
                        bench.session.state() == State::IgnitionOnAfterWait)
                << bench.session.state();
            bench.session.ok();
            bench.settle(400);
        }
    }
    const ProgrammingEnd& end() const {
        EXPECT_EQ(log.ends.size(), 1u);
        return log.ends.back();
    }
    std::string unitHolds() { return hex(bench.box.injectorCode(kSlot)); }

    char language = '1';
    Bench bench{"diesel-van"};
    testing::EventLog log;
    std::string before;
};

// A run whose n-th request goes unanswered, for each request of both halves.
struct FailCase {
    const char* name;
    int request;        // the run's request that fails, 0 = its first
    bool writeSent;     // a write request had gone out
    bool restoreTried;  // the old code is written back
    UnitHolds holds;    // as read back after the failure
    bool unitHasNew;    // else the old code
    ScreenId screen;
};

void PrintTo(const FailCase& c, std::ostream* os) {
    *os << c.name;
}

class FailingStep : public Programming, public ::testing::WithParamInterface<FailCase> {};

TEST_P(FailingStep, TheUnitEndsWithAWholeCodeAndTheScreenSaysWhich) {
    const FailCase& c = GetParam();
    bench.box.addFault(silentAt(kRunStart + c.request));
    program();

    EXPECT_EQ(bench.session.state(), State::FinishedWait);
    const ProgrammingEnd& e = end();
    EXPECT_EQ(e.result, Result::Failed);
    EXPECT_EQ(e.before, before);
    EXPECT_EQ(e.writeSent, c.writeSent);
    EXPECT_EQ(e.restoreTried, c.restoreTried);
    EXPECT_EQ(e.holds, c.holds);
    EXPECT_EQ(unitHolds(), c.unitHasNew ? std::string(kNewCode) : before);
    if (c.holds != UnitHolds::NotRead) {
        EXPECT_EQ(e.readBack, unitHolds());
    }
    // The other injectors are never touched.
    for (int n = 1; n <= 4; ++n) {
        if (n != kSlot) {
            EXPECT_EQ(hex(bench.box.injectorCode(n)), log.injectorReads[0].codes[n]) << n;
        }
    }
    // Restore requests are told as such, and only after a write went out.
    const auto restores = std::count_if(log.steps.begin(), log.steps.end(),
                                        [](const ProgrammingStep& s) { return s.restore; });
    EXPECT_EQ(restores > 0, c.restoreTried);

    std::string screenLine2 = screenLines(screen(c.screen), '1')[1];
    std::replace(screenLine2.begin(), screenLine2.end(), '#', '3');
    EXPECT_EQ(bench.view.lines[1], screenLine2);
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_TRUE(bench.view.enabled("OK"));
}

INSTANTIATE_TEST_SUITE_P(
    EachRequest, FailingStep,
    ::testing::Values(
        FailCase{"Start", 0, false, false, UnitHolds::NotRead, false, ScreenId::ProgrammingFailed},
        FailCase{"Open", 1, false, false, UnitHolds::NotRead, false, ScreenId::ProgrammingFailed},
        FailCase{"SelectFirst", 2, false, false, UnitHolds::NotRead, false,
                 ScreenId::ProgrammingFailed},
        FailCase{"WriteFirst", 3, true, true, UnitHolds::OldCode, false, ScreenId::OldCodeRestored},
        FailCase{"StoreFirst", 4, true, true, UnitHolds::OldCode, false, ScreenId::OldCodeRestored},
        FailCase{"SelectSecond", 5, true, true, UnitHolds::OldCode, false,
                 ScreenId::OldCodeRestored},
        FailCase{"WriteSecond", 6, true, true, UnitHolds::OldCode, false,
                 ScreenId::OldCodeRestored},
        FailCase{"StoreSecond", 7, true, true, UnitHolds::OldCode, false,
                 ScreenId::OldCodeRestored},
        FailCase{"Close", 8, true, false, UnitHolds::NewCode, true, ScreenId::NewCodeAfterFailure},
        FailCase{"StartAgain", 9, true, false, UnitHolds::NewCode, true,
                 ScreenId::NewCodeAfterFailure}),
    [](const ::testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

TEST_F(Programming, AFailedWriteBackLeavesAMixedCodeShownHalfByHalf) {
    // The first half is stored, its answer lost; writing the old one back fails too.
    bench.box.addFault(silentAt(kRunStart + 4));
    bench.box.addFault(silentAt(kRunStart + 5 + 3));  // the write-back's write
    program();

    const ProgrammingEnd& e = end();
    EXPECT_EQ(e.holds, UnitHolds::Mixed);
    EXPECT_EQ(e.readBack, std::string(kNewCode).substr(0, 8) + before.substr(8));
    EXPECT_EQ(unitHolds(), e.readBack);
    EXPECT_EQ(bench.view.lines[0], "  INJECTOR 3 MIXED CODE ");
    EXPECT_EQ(bench.view.lines[1], "  1ST HALF 01234567 NEW ");
    EXPECT_EQ(bench.view.lines[2], "  2ND HALF " + before.substr(8) + " OLD ");
}

TEST_F(Programming, AnUnreadableUnitAfterAFailureIsSaidPlainly) {
    bench.box.addFault(silentAt(kRunStart + 4));
    bench.box.addFault(silentAt(kRunStart + 5 + 7));  // the read after the write-back
    program();

    EXPECT_EQ(end().holds, UnitHolds::NotRead);
    EXPECT_TRUE(end().restoreTried);
    EXPECT_EQ(unitHolds(), before);  // the write-back itself went through
    EXPECT_EQ(bench.view.lines[1], "  INJECTOR 3 AFTER THE  ");
    EXPECT_EQ(bench.view.lines[2], "  WRITE; UNIT NOT READ. ");
}

TEST_F(Programming, AFailedReadBackIsWrittenNotVerified) {
    bench.box.addFault(silentAt(kRunStart + 10));  // the first request of the read-back
    program();
    finish();

    EXPECT_EQ(end().result, Result::NotVerified);
    EXPECT_EQ(end().holds, UnitHolds::NotRead);
    EXPECT_EQ(unitHolds(), kNewCode);
    EXPECT_EQ(bench.view.lines[0], "  INJECTOR 3 WRITTEN,   ");
    EXPECT_EQ(bench.view.colour, kRed);
}

TEST_F(Programming, AFinishedRunIsReadBackFromTheUnit) {
    program("0123456789abcdef");  // lower-case digits are the same code
    finish();

    EXPECT_EQ(end().result, Result::Finished);
    EXPECT_EQ(end().readBack, kNewCode);
    EXPECT_EQ(end().holds, UnitHolds::NewCode);
    EXPECT_EQ(bench.view.lines[0], "  PROGRAMMING FINISHED  ");
    EXPECT_EQ(bench.box.injectorRequests(), kReadRequests + 10 + kReadRequests);
}

// Every step confirmed, yet the unit kept its code: the read-back after the ignition steps is
// what tells, and the run is a failure, never "finished".
TEST_F(Programming, AUnitThatConfirmsButKeepsItsCodeIsNoSuccess) {
    bench.box.addFault(sim::Fault::make(sim::FaultKind::KeepsOldCode));
    program();
    finish();

    const ProgrammingEnd& e = end();
    EXPECT_EQ(e.result, Result::Failed);
    EXPECT_TRUE(e.writeSent);
    EXPECT_FALSE(e.restoreTried);
    EXPECT_EQ(e.holds, UnitHolds::OldCode);
    EXPECT_EQ(e.readBack, before);
    EXPECT_EQ(unitHolds(), before);
    EXPECT_EQ(bench.view.lines[0], "  INJECTOR 3 STILL HOLDS");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_TRUE(bench.view.enabled("OK"));
}

TEST_F(Programming, TheGuardIsAskedBeforeTheFirstWriteWithTheCodesRead) {
    TestGuard guard;
    guard.box = &bench.box;
    bench.session.setProgrammingGuard(&guard);
    program();

    ASSERT_EQ(guard.plans.size(), 1u);
    const ProgrammingPlan& plan = guard.plans[0];
    EXPECT_EQ(guard.writesBefore, 0);
    EXPECT_EQ(plan.injector, kSlot);
    EXPECT_EQ(plan.oldCode, before);
    EXPECT_EQ(plan.newCode, kNewCode);
    EXPECT_EQ(plan.vin, bench.box.scenario().vin);
    EXPECT_EQ(plan.vehicle, "TRANSIT connect 1.8 TDCI");
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(plan.codesRead[n], log.injectorReads[0].codes[n]) << n;
    }
    EXPECT_EQ(plan.blocks[8].address, log.injectorReads[0].blocks[8].address);
    EXPECT_EQ(plan.blocks[1].data, log.injectorReads[0].blocks[1].data);
    // The entry screen's edit does not change what the plan calls the old code.
    EXPECT_NE(plan.oldCode, bench.session.InjectorCode[kSlot]);
}

TEST_F(Programming, ARefusingGuardStopsTheRunBeforeAnythingIsSent) {
    TestGuard guard;
    guard.box = &bench.box;
    guard.accept = false;
    bench.session.setProgrammingGuard(&guard);
    program();

    EXPECT_EQ(bench.box.injectorRequests(), kReadRequests);
    EXPECT_EQ(unitHolds(), before);
    EXPECT_EQ(end().result, Result::NotRecorded);
    EXPECT_EQ(end().whyNot, "disk on fire");
    EXPECT_TRUE(log.steps.empty());
    EXPECT_EQ(bench.view.lines[0], "  OLD CODES NOT SAVED   ");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
}

// Known before the first prompt: the mechanic is not taken through a minute of ignition
// steps to a run that will be refused.
TEST_F(Programming, AGuardThatCannotKeepTheCodesRefusesBeforeTheIgnitionSteps) {
    TestGuard guard;
    guard.box = &bench.box;
    guard.acceptNow = false;
    bench.session.setProgrammingGuard(&guard);
    const std::size_t noted = log.summary.size();
    bench.session.programInjectors();
    bench.settle();

    EXPECT_EQ(guard.asked, 1);
    EXPECT_TRUE(guard.plans.empty());
    const std::vector<std::string> after(log.summary.begin() + static_cast<long>(noted),
                                         log.summary.end());
    EXPECT_EQ(after, std::vector<std::string>{"programming not recorded"});
    EXPECT_EQ(end().result, Result::NotRecorded);
    EXPECT_EQ(end().whyNot, "record locked");
    EXPECT_EQ(bench.box.injectorRequests(), kReadRequests);
    EXPECT_EQ(bench.view.lines[0], "  OLD CODES NOT SAVED   ");
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
}

// The session owns no journal: a program that hands it no guard gets no programming run,
// and nothing is written to the data directory behind its back.
TEST_F(Programming, ASessionHandedNoGuardRefusesBeforeTheIgnitionSteps) {
    bench.session.setProgrammingGuard(nullptr);
    bench.session.programInjectors();
    bench.settle();

    EXPECT_EQ(end().result, Result::NotRecorded);
    EXPECT_FALSE(end().whyNot.empty());
    EXPECT_EQ(bench.box.injectorRequests(), kReadRequests);
    EXPECT_EQ(bench.view.lines[0], "  OLD CODES NOT SAVED   ");
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
    EXPECT_FALSE(std::filesystem::exists(bench.dir.path() / CodeJournal::kFileName));
}

TEST_F(Programming, AJournalThatCannotBeWrittenRefusesBeforeTheIgnitionSteps) {
    std::filesystem::create_directory(bench.dir.path() / CodeJournal::kFileName);
    bench.session.programInjectors();
    bench.settle();

    EXPECT_EQ(end().result, Result::NotRecorded);
    EXPECT_NE(end().whyNot.find(CodeJournal::kFileName), std::string::npos);
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
}

// Without a record, the journal keeps each run's end too, and what it keeps is enough for
// restore never to offer the mixed code a failed run left behind.
TEST_F(Programming, TheJournalKeepsHowEachRunEndedForRestore) {
    // The second half's select goes unanswered after the first half was stored; the
    // restore and the read after it go unanswered too: a mixed code nobody has seen.
    for (int request : {kRunStart + 5, kRunStart + 6, kRunStart + 7}) {
        bench.box.addFault(silentAt(request));
    }
    program();
    const std::string mixed = std::string(kNewCode).substr(0, 8) + before.substr(8);
    ASSERT_EQ(unitHolds(), mixed);
    ASSERT_EQ(end().holds, UnitHolds::NotRead);

    // Read again and programmed again: this run begins from the mixed code.
    bench.session.ok();
    bench.settle();
    bench.session.selectModule(Module::Icu);
    bench.session.readInjectors();
    bench.settle();
    program();
    finish();
    ASSERT_EQ(unitHolds(), std::string(kNewCode));

    const auto runs =
        journalRuns(readJournalFile(bench.dir.path() / CodeJournal::kFileName), kSlot, "");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].result, "failed");
    EXPECT_EQ(runs[0].holds, "not read");
    EXPECT_EQ(runs[1].codeBefore, mixed);
    EXPECT_EQ(runs[1].result, "finished");
    const RestoreChoice choice = chooseRestore(runs);
    ASSERT_TRUE(choice.run);
    EXPECT_EQ(runs[*choice.run].codeBefore, before);
}

TEST_F(Programming, WithoutAGuardTheJournalKeepsTheCodesFirst) {
    program();
    finish();

    const auto entries = readJournal(bench.dir.path() / CodeJournal::kFileName);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].plan.oldCode, before);
    EXPECT_EQ(entries[0].plan.newCode, kNewCode);
    EXPECT_EQ(entries[0].plan.blocks[3].address, log.injectorReads[0].blocks[3].address);
}

TEST_F(Programming, TheEntryScreenShowsTheCodeBeforeBesideTheEditBox) {
    toEntryScreen();
    EXPECT_EQ(bench.view.captions.at("before1"), "before: " + log.injectorReads[0].codes[1]);
    EXPECT_TRUE(bench.view.visible("before1"));
    EXPECT_FALSE(bench.view.visible("before3", true));
    bench.session.injectorOk(3, "FFFFFFFFFFFFFFFF");
    bench.session.injectorPanelClick(3);
    EXPECT_TRUE(bench.view.visible("before3"));
    EXPECT_FALSE(bench.view.visible("before1", true));
    EXPECT_EQ(bench.view.captions.at("before3"), "before: " + log.injectorReads[0].codes[3]);
}

class ProgrammingInTurkish : public Programming {
protected:
    ProgrammingInTurkish() { language = '2'; }
};

TEST_F(ProgrammingInTurkish, TheScreensAndTheCodeBeforeAreTurkish) {
    bench.box.addFault(silentAt(kRunStart + 4));
    bench.box.addFault(silentAt(kRunStart + 5 + 3));
    toEntryScreen();
    EXPECT_EQ(bench.view.captions.at("before1"), "önceki: " + log.injectorReads[0].codes[1]);
    bench.session.injectorPanelClick(kSlot);
    bench.session.injectorOk(kSlot, kNewCode);
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.view.lines[0], "  ENJEKTOR 3 KARISIK KOD");
    EXPECT_EQ(bench.view.lines[1], "  1. YARI 01234567 YENi ");
    EXPECT_EQ(bench.view.lines[2], "  2. YARI " + before.substr(8) + " ESKi ");
}

}  // namespace
}  // namespace tvx::session
