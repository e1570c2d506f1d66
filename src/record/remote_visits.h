#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/shared_entry.h"
#include "record/sqlite_db.h"

namespace tvx::record {

// The sync's own values in the record (pull cursor, last push and pull, last failure).
std::optional<std::string> syncValue(Database& db, const std::string& key);
void setSyncValue(Database& db, const std::string& key, const std::string& value);

// The read-only part of the record: the visits of the workshop's other bays, as the pull
// brings them. They sit among this PC's visits (their bay set), so the history, reports
// and injector restore read them like any other, offline too; the record's triggers refuse
// every other writer.
class RemoteVisits {
public:
    static constexpr const char* kCursorKey = "pull_cursor";

    explicit RemoteVisits(Database& db) : m_db(db) {}

    // Keeps the entries (each once, however often it comes) and builds their visits again
    // from the newest version of each row; the cursor of the pull is stored in the same
    // transaction, so a pull cut short is simply pulled again. Returns how many entries
    // were new.
    std::int64_t store(const std::vector<SharedEntry>& entries, const std::string& cursor);
    std::int64_t visitCount();

private:
    Database& m_db;
};

}  // namespace tvx::record
