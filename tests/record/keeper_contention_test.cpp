// The record keeper when the record is locked by another program, when a write fails in a
// way nobody planned for, and when the guard cannot wait.
#include <atomic>
#include <stdexcept>
#include <thread>

#include "datadir/code_journal.h"
#include "recorded_fixture.h"
#include "session/live_pages.h"
#include "trend/live_recorder.h"

namespace tvx::session {
namespace {

using record::Database;
using testing::Recorded;

RecordKeeper::Options quickOptions() {
    RecordKeeper::Options options;
    options.database.busyTimeoutMs = 20;
    options.guardTimeoutMs = 300;
    return options;
}

ProgrammingPlan planFor(int injector) {
    ProgrammingPlan plan;
    plan.injector = injector;
    plan.oldCode = "0A1B2C3D4E5F6071";
    plan.newCode = "0123456789ABCDEF";
    for (int n = 1; n <= 4; ++n) {
        plan.codesRead[static_cast<std::size_t>(n)] = plan.oldCode;
    }
    return plan;
}

// Another program holding the record locked, as the window does while it writes.
struct Locker {
    explicit Locker(const std::filesystem::path& path) : db(path, Database::Mode::ReadWrite) {
        db.exec("BEGIN EXCLUSIVE");
    }
    void release() {
        if (std::exchange(held, false)) {
            db.exec("ROLLBACK");
        }
    }
    ~Locker() { release(); }
    Database db;
    bool held = true;
};

std::int64_t count(record::Record& record, const std::string& table) {
    return record.database().queryInteger("SELECT count(*) FROM " + table);
}

TEST(RecordKeeperContention, ALockedRecordIsWaitedForAndEverythingIsWrittenOnceItIsFree) {
    Recorded r("diesel-van", quickOptions());
    r.keeper.flush();
    Locker other(r.keeper.path());

    r.bench.startToModuleMenu(true, 5);
    r.readAndClear(Module::Pcm);
    EXPECT_TRUE(r.bench.box.storedCodes(1).empty());  // the clear went to the car
    EXPECT_TRUE(r.keeper.kept());
    // The guard cannot wait longer: the journal keeps the codes read and the run goes on.
    std::string whyNot;
    EXPECT_TRUE(r.keeper.beforeFirstWrite(planFor(2), whyNot)) << whyNot;
    const auto journal = readJournal(r.bench.dir.path() / CodeJournal::kFileName);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].plan.oldCode, "0A1B2C3D4E5F6071");

    other.release();
    auto reader = r.reader();
    EXPECT_TRUE(r.keeper.kept());
    EXPECT_EQ(count(*reader, "visits"), 1);
    EXPECT_EQ(count(*reader, "code_reads"), 2);
    EXPECT_EQ(count(*reader, "clears"), 1);
    // The run went ahead, so its start is recorded, late.
    EXPECT_EQ(count(*reader, "programming_runs"), 1);
    EXPECT_EQ(r.said("record is locked by another program;"), 1)
        << ::testing::PrintToString(r.notices);
    EXPECT_EQ(r.said("injector code journal"), 1);
    EXPECT_EQ(r.said("free again"), 1);
    EXPECT_EQ(r.said("not kept"), 0);
}

// A run the guard refused must not show up in the record once the lock is gone.
TEST(RecordKeeperContention, ARefusedRunLeavesNoRowBehindWhenTheRecordFreesLater) {
    Recorded r("diesel-van", quickOptions());
    r.bench.startToModuleMenu(true, 5);
    r.keeper.flush();
    // The journal cannot be written either: a folder stands where its file would be.
    std::filesystem::create_directory(r.bench.dir.path() / CodeJournal::kFileName);
    Locker other(r.keeper.path());
    std::string whyNot;
    EXPECT_FALSE(r.keeper.beforeFirstWrite(planFor(1), whyNot));
    EXPECT_NE(whyNot.find("locked"), std::string::npos) << whyNot;
    EXPECT_NE(whyNot.find("journal"), std::string::npos) << whyNot;
    other.release();
    auto reader = r.reader();
    EXPECT_EQ(count(*reader, "programming_runs"), 0);
}

TEST(RecordKeeperContention, TheGuardStopsWaitingAtOnceWhenTheTesterCloses) {
    RecordKeeper::Options options = quickOptions();
    options.guardTimeoutMs = 60000;
    Recorded r("diesel-van", options);
    r.bench.startToModuleMenu(true, 5);
    r.keeper.flush();
    Locker other(r.keeper.path());
    std::atomic<bool> closing = false;
    ProgrammingPlan plan = planFor(1);
    plan.keepGoing = [&closing] { return !closing.load(); };
    std::string whyNot;
    bool allowed = true;
    std::thread session([&] { allowed = r.keeper.beforeFirstWrite(plan, whyNot); });
    closing = true;  // the window closes while the guard waits (or before it began)
    session.join();
    EXPECT_FALSE(allowed);
    EXPECT_NE(whyNot.find("closing"), std::string::npos) << whyNot;
    EXPECT_FALSE(std::filesystem::exists(r.bench.dir.path() / CodeJournal::kFileName));
    other.release();
    EXPECT_EQ(count(*r.reader(), "programming_runs"), 0);
}

TEST(RecordKeeperContention, TheWriterSurvivesAnyFaultSaysItOnceAndGoesOn) {
    RecordKeeper::Options options;
    auto faults = std::make_shared<std::atomic<int>>(0);
    options.beforeEachWrite = [faults] {
        const int fault = faults->fetch_sub(1);
        if (fault == 2) {
            throw std::length_error("vector too long");
        }
        if (fault == 1) {
            throw 42;  // not even an exception class
        }
    };
    Recorded r("petrol-car", options);
    r.bench.startToModuleMenu(false, 10);
    r.keeper.flush();
    *faults = 2;  // the read's row and the clear's row meet the faults
    r.readAndClear(Module::Pcm);
    auto reader = r.reader();
    EXPECT_TRUE(r.keeper.kept());
    EXPECT_EQ(r.said("could not be written (vector too long)"), 1);
    EXPECT_EQ(r.notices.size(), 1u) << ::testing::PrintToString(r.notices);
    EXPECT_EQ(count(*reader, "code_reads"), 1);  // the read after the clear
    EXPECT_EQ(count(*reader, "clears"), 0);
}

// The row of a visit could not be written (a fault): what the visit was to hold is
// skipped, never written against a visit that is not there (the same box moved to another
// car here, whose visit also fails to begin).
TEST(RecordKeeperContention, RowsOfAVisitThatWasNeverWrittenAreSkipped) {
    testing::TempDir dir;
    RecordKeeper::Options options;
    options.noticesOnSessionThread = true;
    auto writes = std::make_shared<std::atomic<int>>(0);
    options.beforeEachWrite = [writes] {
        const int write = ++*writes;
        if (write == 1 || write == 5) {  // both visits' own rows
            throw std::runtime_error("out of memory");
        }
    };
    std::vector<std::string> notices;
    RecordKeeper keeper(dir.path(), options,
                        [&notices](const std::string& text) { notices.push_back(text); });
    SessionEvents& events = keeper;
    ModuleProbe probe;
    probe.carAnswered = true;
    probe.protocols = {0, 2, 2, 2, 2, 2};
    events.modulesProbed(probe);                  // writes 1 (the visit) and 2 (its modules)
    events.vinRead({true, "WF0XXXTTGX8C12345"});  // 3
    events.vinRead({true, "WF0XXXTTGX8C99999"});  // 4 ends the visit, 5 begins one, 6, 7
    keeper.flush();
    EXPECT_TRUE(keeper.kept());
    EXPECT_EQ(notices.size(), 1u) << ::testing::PrintToString(notices);  // the fault, once
    auto reader = record::testing::openOrFail(keeper.path(), {Database::Mode::ReadOnly, 100, 0});
    EXPECT_EQ(count(*reader, "visits"), 0);
    EXPECT_EQ(count(*reader, "visit_modules"), 0);
}

// Whoever shows the notices may fail; the writer thread must not end the program for it.
TEST(RecordKeeperContention, ANoticeThatCannotBeShownDoesNotEndTheProgram) {
    testing::Bench bench("diesel-van");
    RecordKeeper::Options options;
    options.database.maxPageCount = 40;
    int tries = 0;
    RecordKeeper keeper(bench.dir.path(), options, [&tries](const std::string&) {
        ++tries;
        throw std::runtime_error("the notice line is gone");
    });
    bench.session.addListener(keeper);
    bench.startToModuleMenu(true, 4);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(2);
    trend::LiveRecorder recorder(keeper.liveStore(), bench.clock);
    bench.session.addListener(recorder);
    std::string error;
    ASSERT_TRUE(recorder.start(error, livePageForModel(true, 4))) << error;
    for (int pass = 0; pass < 400 && keeper.kept(); ++pass) {
        bench.steps(1);
        keeper.flush();
    }
    EXPECT_FALSE(keeper.kept());  // the disk filled: said (and failed to show), not fatal
    EXPECT_EQ(tries, 1);
    recorder.stop();
    bench.session.removeListener(recorder);
    bench.session.removeListener(keeper);
}

// The window's record button and the session's page changes start and stop recordings from
// two threads; every recording begun must end.
TEST(RecordKeeperContention, RecordingsStartedFromTwoThreadsAllEnd) {
    Recorded r("diesel-van");
    r.bench.startToModuleMenu(true, 4);
    r.keeper.flush();
    const LivePage& page = *livePageForModel(true, 4);
    std::atomic<bool> go = false;
    auto starter = [&] {
        while (!go) {
            std::this_thread::yield();
        }
        for (int n = 0; n < 300; ++n) {
            r.keeper.startLiveRecording(page);
        }
    };
    std::thread a(starter);
    std::thread b(starter);
    go = true;
    a.join();
    b.join();
    r.keeper.stopLiveRecording();
    auto reader = r.reader();
    EXPECT_EQ(count(*reader, "recordings"), 600);
    EXPECT_EQ(
        reader->database().queryInteger("SELECT count(*) FROM recordings WHERE ended_at IS NULL"),
        0);
}

}  // namespace
}  // namespace tvx::session
