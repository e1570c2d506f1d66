#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/record_types.h"
#include "record/sqlite_db.h"

namespace tvx::record {

// The workshop record: one SQLite file (WAL, foreign keys on, schema version table with
// forward migrations). Plain C++; it knows nothing of sessions. Every write is a short
// transaction; one Record is one connection, used from one thread at a time.
//
// Writes and queries throw DbError when the database fails (locked past the busy
// time-out, read-only, full, damaged); the caller decides what then.
class Record {
public:
    static constexpr const char* kFileName = "tarvolinex.db";

    struct Options {
        Database::Mode mode = Database::Mode::ReadWrite;
        int busyTimeoutMs = 1000;
        // Limits the file to this many pages (0 = no limit); a full disk, for tests.
        int maxPageCount = 0;
        // How long opening tries again, with growing pauses, while another program holds
        // the file locked (bringing it up to date, say).
        int openBudgetMs = 30000;
    };

    // How opening went. A damaged file (no database, or one that fails its integrity check)
    // that no other program has open is moved aside (never deleted), a note of why is
    // written next to it, what can still be read of it is copied into the new record that
    // begins in its place; `movedAside` then names where the old file went. A read-only
    // open never moves anything: it reads the file as it is, also from a read-only
    // directory or a full disk.
    struct Opened {
        std::unique_ptr<Record> record;  // nullptr when the record cannot be kept
        std::string problem;             // why not, in a plain sentence
        std::optional<std::filesystem::path> movedAside;
        std::string damage;         // what was wrong with the file moved aside
        std::int64_t rowsKept = 0;  // rows of it copied into the new record
    };
    static Opened open(const std::filesystem::path& path, const Options& options);
    static Opened open(const std::filesystem::path& path) { return open(path, Options{}); }
    // Notes that the file answered as damaged while in use, so that the next open checks it
    // whole (and moves it aside when it is). Best effort: false when the note cannot be
    // written.
    static bool suspectDamage(const std::filesystem::path& path, const std::string& reason);
    // True for the errors of a damaged file.
    static bool isDamage(const DbError& error);
    // True when another connection holds the record locked (past the busy time-out).
    static bool isBusy(const DbError& error);

    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    // ---- writes
    std::int64_t beginVisit(const VisitStart& start);
    void setVisitVehicle(std::int64_t visit, const std::string& vehicle, bool diesel);
    void setVisitVin(std::int64_t visit, const std::string& vin);
    void setVisitModules(std::int64_t visit, const std::array<int, 7>& protocols,
                         bool injectorUnit);
    // The mechanic's notes replace the visit's earlier ones; false when there is no such visit.
    bool setVisitNotes(std::int64_t visit, const VisitNotes& notes);
    void touchVisit(std::int64_t visit, std::int64_t at);  // the visit lasts until `at`
    // The odometer as the instrument cluster showed it, the last reading of the visit so far.
    void setVisitOdometerRead(std::int64_t visit, double km);
    // A visit that has just begun and holds nothing yet but its modules joins the visit of
    // the same car (VIN, vehicle, demo or not) that ended at most `withinMs` before `now`:
    // a mechanic's commands one after another are one visit. Returns the visit to go on
    // with (the earlier one, or `visit` itself); the VIN is set on it.
    std::int64_t continueVisit(std::int64_t visit, const std::string& vin, std::int64_t now,
                               std::int64_t withinMs);
    // A read of a module's codes; it is also the "after" read of the module's last clear
    // in the visit that has none yet.
    std::int64_t addCodeRead(std::int64_t visit, const CodeRead& read);
    // A clear; its "before" read is the module's last read in the visit.
    std::int64_t addClear(std::int64_t visit, int module, std::int64_t at, bool ok);
    std::int64_t addInjectorRead(std::int64_t visit, const InjectorRead& read);
    // The start of a programming run with everything read before it. Committed with the
    // data on disk before it returns (the guard's promise). `stillWanted`, when given, is
    // asked just before the commit: false rolls the run back (0 is returned), so a run the
    // guard stopped waiting for never appears.
    std::int64_t beginProgrammingRun(std::int64_t visit, const ProgrammingRun& run,
                                     const std::function<bool()>& stillWanted = nullptr);
    void addProgrammingStep(std::int64_t run, const ProgrammingStepRow& step);
    void endProgrammingRun(std::int64_t run, const ProgrammingRun& end);
    std::int64_t beginRecording(std::int64_t visit, int page, std::int64_t startedAt,
                                const std::vector<Channel>& channels);
    // Appends readings in one transaction.
    void addReadings(std::int64_t recording, const std::vector<Reading>& readings);
    // `cycles` and `durationMs` (the last reading's time) as the recorder counted them; none
    // for a recording whose recorder said nothing.
    void endRecording(std::int64_t recording, std::int64_t endedAt,
                      std::optional<std::int64_t> cycles = {},
                      std::optional<std::int64_t> durationMs = {});

    // ---- queries
    std::vector<VisitSummary> visits(const VisitFilter& filter);
    std::optional<Visit> visit(std::int64_t id);
    std::optional<std::int64_t> lastVisit(bool demo);
    // The visit of the same VIN (and the same demo flag) just before this one.
    std::optional<std::int64_t> previousVisitOfVin(std::int64_t visit);
    std::vector<Recording> recordingsOfVisit(std::int64_t visit);
    std::vector<Reading> readingsOfRecording(std::int64_t recording);
    std::vector<ChannelSummary> recordingSummary(std::int64_t recording);
    // The latest programming run of an injector slot whose old code is known: of the VIN
    // (when given), or within one visit (when given).
    // Every programming run of an injector slot, oldest first: of the VIN (when given); with
    // a visit, of that visit's car up to the visit's last run (of the visit alone when its
    // car's VIN is unknown).
    std::vector<ProgrammingRun> runsOf(int injector, const std::optional<std::string>& vin,
                                       std::optional<std::int64_t> visit);
    std::optional<ProgrammingRun> lastRunOf(int injector, const std::optional<std::string>& vin,
                                            std::optional<std::int64_t> visit);

    Database& database() { return *m_db; }
    // A database failure in a plain sentence ("the disk is full").
    static std::string plainProblem(const DbError& error);

private:
    explicit Record(std::unique_ptr<Database> db);
    // One try; `busy` tells that it failed for a lock another program holds.
    static Opened openOnce(const std::filesystem::path& path, const Options& options, bool& busy);

    std::unique_ptr<Database> m_db;
    // The statements of the live recording, prepared once: the hot path.
    std::unique_ptr<Statement> m_insertReading;
    std::int64_t m_nextSeq = 0;
    std::int64_t m_seqRecording = 0;
};

}  // namespace tvx::record
