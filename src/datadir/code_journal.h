#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datadir/programming_guard.h"
#include "datadir/restore_choice.h"

namespace tvx::session {

// One programming run as the journal keeps it.
struct JournalEntry {
    std::int64_t timeMs = 0;  // wall-clock milliseconds since 1970; the run's key
    ProgrammingPlan plan;
    bool legacy = false;  // from a journal line of the first form, which kept no run ends
};

// How a run ended, kept after it ("" holds while unknown).
struct JournalRunEnd {
    std::int64_t runTimeMs = 0;  // the key of the run it ends
    int injector = 1;
    std::string result;    // "finished", "failed", "not verified", "refused", "not recorded"
    std::string holds;     // "old", "new", "mixed", "not read"
    std::string readBack;  // "" when not read
};

// What a journal file holds, oldest first.
struct JournalContents {
    std::vector<JournalEntry> runs;
    std::vector<JournalRunEnd> ends;
    std::vector<int> damagedLines;  // 1-based line numbers of entries cut short or altered
};

// The plain journal of injector codes: before each programming run, one entry with the
// codes and raw blocks read from the unit, appended and flushed to disk; after it, one
// entry with how it ended. It is the session's guard where no workshop record is kept (a
// build without SQLite), so the old code can be written back from it ("injectors
// restore").
//
// Each entry is a line of its own, begun by a line end and checked by a CRC-32: an entry
// cut short by a crash or a full disk is reported and skipped, and never swallows the
// entry written after it. Lines of the first form (no check, no run ends) are still read.
std::int64_t wallClockMs();

class CodeJournal final : public ProgrammingGuard {
public:
    static constexpr const char* kFileName = "injector-codes.journal";

    // `clock` gives wall-clock milliseconds since 1970 (the tests set it).
    explicit CodeJournal(std::filesystem::path dataDirectory,
                         std::function<std::int64_t()> clock = wallClockMs);
    bool beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) override;
    bool canKeep(std::string& whyNot) override;
    // Appends how the run begun by the last beforeFirstWrite ended.
    bool runEnded(const ProgrammingEnd& end) override;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::function<std::int64_t()> m_clock;
    std::int64_t m_runTimeMs = 0;
};

// The entries as written to the file, each begun by '\n' and ended by '\n'.
std::string journalRunEntry(const JournalEntry& entry);
std::string journalEndEntry(const JournalRunEnd& end);
// One line of the first form and back (no check; tabs and line ends in a VIN or name
// become '?').
std::string journalLine(const JournalEntry& entry);
std::optional<JournalEntry> parseJournalLine(const std::string& line);
JournalContents readJournalFile(const std::filesystem::path& path);
// Every readable run entry of a journal file, oldest first.
std::vector<JournalEntry> readJournal(const std::filesystem::path& path);
// The latest entry for the injector slot, of that VIN when one is given.
std::optional<JournalEntry> latestJournalEntry(const std::vector<JournalEntry>& entries,
                                               int injector, const std::string& vin);
// The runs of an injector slot as restore weighs them, numbered 1.. in the order of the
// file (every injector's run counts); of that VIN when one is given.
std::vector<RunFacts> journalRuns(const JournalContents& contents, int injector,
                                  const std::string& vin);
// The names the record and the journal give a run's result and what the unit holds.
const char* programmingResultName(ProgrammingEnd::Result result);
const char* unitHoldsName(const ProgrammingEnd& end);

}  // namespace tvx::session
