#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/shared_entry.h"
#include "record/sqlite_db.h"
#include "sync/pg_connection.h"
#include "sync/sync_settings.h"

namespace tvx::sync {

// Moments of a push where tests break the line (stop the server, lose the answer).
struct PassHooks {
    std::function<void()> beforeCommit;  // a batch is on the server, not yet committed
    std::function<void()> afterCommit;   // the server has it; this PC does not know yet
};

struct PassOptions {
    int batchSize = 200;  // entries a transaction on the server
    int pullChunk = 500;  // entries a transaction in the record
    PassHooks hooks;
};

// What one push and pull did.
struct PassResult {
    bool pushed = false;        // the whole outbox went through
    bool pulled = false;        // everything new of the other bays came back
    std::int64_t sent = 0;      // entries the server stored
    std::int64_t repeated = 0;  // entries it already had (sent before, the answer lost)
    std::int64_t batches = 0;
    std::int64_t received = 0;  // entries new to this PC
    std::int64_t waiting = 0;   // entries still in the outbox afterwards
    bool unreachable = false;   // the server or the way to it is gone: try again later
    bool refused = false;       // what no retry mends (see SyncRefused)
    std::string problem;        // in a plain sentence; "" when all went through
    bool ok() const { return pushed && pulled; }
};

// Sends a batch of entries in one transaction; a uid the server holds already is stored
// once. Returns how many it stored.
std::int64_t pushBatch(PgConnection& server, const SyncSettings& settings,
                       const std::vector<record::SharedEntry>& entries, const PassHooks& hooks);
// The workshop's entries of other bays since `cursor` (a transaction id; "0" the first
// time), and the cursor for the next pull.
std::vector<record::SharedEntry> pullSince(PgConnection& server, const SyncSettings& settings,
                                           const std::string& cursor, std::string& next);

// Pushes the outbox and pulls the other bays' visits once. Never throws for the server's or
// the line's failures: they are in the result (and kept in the record, for `sync status`).
// With `kept`, the connection there is used (made when empty) and kept for the next pass
// unless it failed; without, the pass connects and disconnects.
PassResult syncPass(const SyncSettings& settings, record::Database& db,
                    const PassOptions& options = {}, std::unique_ptr<PgConnection>* kept = nullptr);

// Milliseconds since 1970.
std::int64_t nowMs();

}  // namespace tvx::sync
