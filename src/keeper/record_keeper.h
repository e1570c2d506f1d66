#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "datadir/code_journal.h"
#include "datadir/programming_guard.h"
#include "record/record.h"
#include "session/live_pages.h"
#include "session/session_events.h"
#include "trend/reading.h"
#include "trend/recording_store.h"

namespace tvx::session {

// Keeps the workshop record of a session: it turns the session's events into rows of the
// record, on a writer thread of its own so that the session's timing never waits for the
// disk, and it is the session's programming guard, which does wait (the codes read must be
// on disk before the unit is written).
//
// A record locked by another program (the window and the command-line tester on one data
// directory) is waited for: each write is tried again with growing pauses for up to
// busyBudgetMs, and the record is never given up for it. When the record cannot be kept
// at all (read-only, full, damaged, of a newer version) diagnosis goes on: the record says
// so once through onNotice and writes nothing more. In both cases a programming run the
// record cannot take in time is guarded by the injector code journal instead, and the
// notice says so; only when the journal cannot be written either is the run refused.
//
// Events arrive on the session's thread; the live recording's calls may come from any thread.
class RecordKeeper final : public SessionEvents, public ProgrammingGuard {
public:
    struct Options {
        record::Record::Options database;
        std::string language = "en";  // "en" or "tr": the texts the visits are shown in
        // How long the guard waits for the record before the journal guards the run.
        unsigned guardTimeoutMs = 10000;
        // How long one write is tried again while another program holds the record locked;
        // past it, what the write held is given up (and said), and the record goes on.
        unsigned busyBudgetMs = 60000;
        // A connection to the same car within this time of its last visit goes on with that
        // visit (the command-line tester's commands one after another).
        std::int64_t continueWithinMs = 2 * 60 * 60 * 1000;
        // Notices from the writer thread wait for the session's thread (its next event,
        // flush() or the end) instead of being told at once: for a program whose session
        // thread writes to the same console.
        bool noticesOnSessionThread = false;
        // Called on the writer thread before each write; a fault thrown here is met as one
        // thrown by the write (tests).
        std::function<void()> beforeEachWrite;
    };
    using Notice = std::function<void(const std::string& text)>;

    // Opens (or creates) tarvolinex.db in the data directory. onNotice hears, once each,
    // that the record is not kept, that it is locked and free again, that the journal
    // guarded a run, or that a damaged file was moved aside; it is called on the
    // constructing thread, the session's thread, or (unless noticesOnSessionThread) the
    // writer thread.
    RecordKeeper(const std::filesystem::path& dataDirectory, Options options, Notice onNotice);
    ~RecordKeeper() override;
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // False once the record is not kept; problem() then says why.
    bool kept() const;
    std::string problem() const;
    void setLanguage(char languageCode);

    // Live recordings into the visit: a store whose writer takes the cycles the program's
    // one live recorder writes (the witness of its recording store). What goes into the
    // record is what the recording file holds: the same cycles, times and duration.
    trend::RecordingStore& liveStore() { return *m_liveStore; }
    // The same by hand: a recording of `page` begins, takes whole cycles (times from the
    // recording's start), and ends with the number of cycles and the time of the last one
    // (its first reading's).
    void startLiveRecording(const LivePage& page);
    void addLiveCycle(std::span<const trend::Reading> cycle);
    void stopLiveRecording();
    bool liveRecording() const;

    // Waits until everything told so far is written (or dropped when the record failed).
    void flush();
    // The visit being recorded, once one has begun (after flush(), for tests and tools).
    std::optional<std::int64_t> currentVisit();
    // Ends the visit being recorded (the program closes, or the tester moves on).
    void endVisit();

    // ProgrammingGuard
    bool beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) override;
    bool canKeep(std::string& whyNot) override;

private:
    // What the writer thread knows: the rows it opened.
    struct Open {
        std::optional<std::int64_t> visit;
        std::optional<std::int64_t> run;
        std::optional<std::int64_t> recording;
        std::optional<std::pair<std::int64_t, double>> odometer;  // visit and km last written
    };
    using Job = std::function<void(record::Record&, Open&)>;
    using VisitJob = std::function<void(record::Record&, std::int64_t visit)>;
    struct GuardTicket;

    void post(Job job);
    // Posts a write to the open visit; dropped when no visit could be begun.
    void postToVisit(VisitJob job);
    void writerLoop();
    // Runs one job, again while the record is locked; false when its rows were given up.
    void write(const Job& job, Open& open);
    bool waitBeforeRetry(unsigned pauseMs);
    void fail(const std::string& problem);
    void tell(const std::string& text);
    // Notices held for the session's thread, told now.
    void tellHeld();
    // Waits until the writer has nothing left, telling held notices meanwhile.
    void waitIdle();
    bool journalInstead(const ProgrammingPlan& plan, const std::string& why, std::string& whyNot);
    void beginVisit(bool demo);
    // An event of a visit: held notices told, and a visit begun when none is open.
    void visitEvent(bool demo);
    // The modules the probe found (and whether the unit is offered) into the open visit.
    void postModules();
    // Puts the run in the record before the first write, waiting for the writer at most the
    // guard's time; else the journal keeps the codes, or the run is refused (why in whyNot).
    std::shared_ptr<GuardTicket> postRunStart(const ProgrammingPlan& plan);
    bool awaitRunStart(GuardTicket& ticket, const ProgrammingPlan& plan, std::string& whyNot);
    void keepOdometer(double km);
    void stopLiveRecordingLocked();
    // SessionEvents
    void vehicleChosen(const VehicleChoice& e) override;
    void modulesProbed(const ModuleProbe& e) override;
    void vinRead(const VinReading& e) override;
    void troubleCodesRead(const TroubleCodeRead& e) override;
    void troubleCodesCleared(const TroubleCodeClear& e) override;
    void livePageStarted(const LivePageStart& e) override;
    void liveReading(const LiveReading& e) override;
    void liveCycleEnded(const LiveCycle& e) override;
    void injectorCodesRead(const InjectorRead& e) override;
    void programmingStep(const ProgrammingStep& e) override;
    void programmingEnded(const ProgrammingEnd& e) override;
    void lineLost() override;

    std::filesystem::path m_path;
    Options m_options;
    Notice m_onNotice;
    std::unique_ptr<record::Record> m_record;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::string m_problem;
    std::deque<std::string> m_heldNotices;
    // The writer thread's own: a spell of waiting for a record locked by another program.
    struct LockSpell {
        bool waiting = false;
        std::chrono::steady_clock::time_point giveUpAt;
        int givenUp = 0;  // writes given up since the budget was spent
    };
    LockSpell m_lock;
    bool m_unexpectedTold = false;
    std::thread m_writer;
    CodeJournal m_journal;
    bool m_journalGuardsRun = false;  // the running run is guarded by the journal (session thread)

    // Session-thread state.
    std::string m_vehicle;
    bool m_diesel = false;
    bool m_visitOpen = false;
    bool m_visitDemo = false;
    std::string m_visitVin;
    std::array<int, 7> m_protocols{};
    bool m_injectorUnit = false;
    std::atomic<char> m_language{'1'};

    // Live recording, shared with the thread that starts and stops it.
    mutable std::mutex m_liveMutex;
    const LivePage* m_livePage = nullptr;
    std::vector<Gauge> m_channelGauges;
    std::int64_t m_liveCycles = 0;
    std::uint64_t m_liveLastMs = 0;  // the last cycle's time, from the recording's start
    std::unique_ptr<trend::RecordingStore> m_liveStore;
};

// Wall-clock milliseconds since 1970.
std::int64_t wallClockMs();

}  // namespace tvx::session
