#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "record/record.h"
#include "session/live_pages.h"
#include "session/programming_guard.h"
#include "session/session_events.h"

namespace tvx::session {

// Keeps the workshop record of a session: it turns the session's events into rows of the
// record, on a writer thread of its own so that the session's timing never waits for the
// disk, and it is the session's programming guard, which does wait (the codes read must be
// on disk before the unit is written).
//
// When the record cannot be kept (locked, read-only, full, of a newer version) diagnosis
// goes on: the record says so once through onNotice and writes nothing more; programming
// is then refused. A file that is not a database is moved aside and a new record begins.
//
// Events arrive on the session's thread; startLiveRecording()/stopLiveRecording() may come
// from any thread.
class RecordKeeper final : public SessionEvents, public ProgrammingGuard {
public:
    struct Options {
        record::Record::Options database;
        std::string language = "en";  // "en" or "tr": the texts the visits are shown in
        // How long the guard waits for the record before it refuses.
        unsigned guardTimeoutMs = 10000;
        // A connection to the same car within this time of its last visit goes on with that
        // visit (the command-line tester's commands one after another).
        std::int64_t continueWithinMs = 2 * 60 * 60 * 1000;
    };
    using Notice = std::function<void(const std::string& text)>;

    // Opens (or creates) tarvolinex.db in the data directory. onNotice hears, once each,
    // that the record is not kept or that a damaged file was moved aside; it is called on
    // the constructing thread or the writer thread.
    RecordKeeper(const std::filesystem::path& dataDirectory, Options options, Notice onNotice);
    ~RecordKeeper() override;
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // False once the record is not kept; problem() then says why.
    bool kept() const;
    std::string problem() const;
    void setLanguage(char languageCode);

    // Live recording: the readings of `page` with their times go into the record from
    // now on, until stopLiveRecording() or until another page starts.
    void startLiveRecording(const LivePage& page);
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
        std::int64_t recordingFirstMs = -1;  // the session clock at the first reading
    };
    using Job = std::function<void(record::Record&, Open&)>;

    void post(Job job);
    void writerLoop();
    void fail(const std::string& problem);
    void tell(const std::string& text);
    void beginVisit(bool demo);
    void flushReadings();

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
    std::thread m_writer;

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
    std::vector<std::string> m_channelGauges;
    std::vector<record::Reading> m_pending;
    std::int64_t m_firstReadingMs = -1;
};

// Wall-clock milliseconds since 1970.
std::int64_t wallClockMs();

}  // namespace tvx::session
