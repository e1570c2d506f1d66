#pragma once

#include <stdexcept>
#include <string>

#include "sync/pg_connection.h"

namespace tvx::sync {

// The server's schema version this build writes and reads.
inline constexpr int kServerSchemaVersion = 1;

// What no retry mends (a newer schema, a role without its rights): said in a plain
// sentence, and the sync waits for the operator instead of trying again.
class SyncRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The version the server's history is at; 0 when it has none yet.
int serverSchemaVersion(PgConnection& server);
// Throws SyncRefused unless the server's history is at this build's version, saying what
// to do (set it up with the owner's role; update this PC).
void requireServerSchema(PgConnection& server);
// Creates or brings up to date the server's history, one migration a transaction, under a
// lock so two bays setting up at once do not both migrate. Throws SyncRefused when the
// server's schema is newer or the role may not create it.
void migrateServer(PgConnection& server, int target = kServerSchemaVersion);
// True when the connected role owns the history's schema (or may create it), so it may
// migrate and could change the history: a bay must not use it.
bool ownsHistory(PgConnection& server);

}  // namespace tvx::sync
