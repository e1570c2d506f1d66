#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "record/sqlite_db.h"

namespace tvx::sync {

struct PassResult;

// What the sync last did, as kept in the record (so `sync status` in another process and
// the window both see it).
struct SyncStatus {
    std::int64_t waiting = 0;  // entries in the outbox
    std::optional<std::int64_t> lastPushAt;
    std::optional<std::int64_t> lastPullAt;
    std::optional<std::int64_t> unreachableSince;  // the first failed pass of a run of them
    bool refused = false;
    std::string problem;  // the last pass's, "" when it went through
    std::int64_t otherBaysVisits = 0;
};

// The window's small status: "synced", "3 waiting", "server unreachable since 14:05", or
// that the server refused (in Turkish with `turkish`).
std::string statusLine(const SyncStatus& status, bool turkish);

void keepPassResult(record::Database& db, const PassResult& result, std::int64_t now);
SyncStatus readSyncStatus(record::Database& db);

}  // namespace tvx::sync
