#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "session/programming_guard.h"

namespace tvx::session {

// One programming run as the journal keeps it.
struct JournalEntry {
    std::int64_t timeMs = 0;  // wall-clock milliseconds since 1970
    ProgrammingPlan plan;
};

// The plain journal of injector codes: before each programming run, one line with the codes
// and raw blocks read from the unit, appended and flushed to disk. It is the session's
// guard where no workshop record is kept (a build without SQLite), so the old code can be
// written back from it ("injectors restore").
class CodeJournal final : public ProgrammingGuard {
public:
    static constexpr const char* kFileName = "injector-codes.journal";

    explicit CodeJournal(std::filesystem::path dataDirectory);
    bool beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) override;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// One journal line and back. Tabs and line ends in a VIN or name become '?'.
std::string journalLine(const JournalEntry& entry);
std::optional<JournalEntry> parseJournalLine(const std::string& line);
// Every readable entry of a journal file, oldest first; lines that do not parse are skipped.
std::vector<JournalEntry> readJournal(const std::filesystem::path& path);
// The latest entry for the injector slot, of that VIN when one is given.
std::optional<JournalEntry> latestJournalEntry(const std::vector<JournalEntry>& entries,
                                               int injector, const std::string& vin);

}  // namespace tvx::session
