#pragma once

#include <string>
#include <vector>

#include "sync/sync_settings.h"
#include "sync/sync_state.h"

namespace tvx::sync {

// What the command line's `sync` verbs and the window's sync settings both say, in English
// or Turkish: one wording for both.

// What was entered as the server: a connection string or URI as it is, a bare word as the
// name of a service in pg_service.conf ("tvx" -> "service=tvx").
std::string conninfoFromEntry(const std::string& entry);

// "Shared history: workshop north, bay bay-1" and the server's connection string.
std::vector<std::string> settingsLines(const SyncSettings& settings, bool turkish);
// What waits, the last push and pull, the other bays' visits, and since when the server is
// unreachable or what stopped the sync: a label and its value a line.
std::vector<std::string> statusLines(const SyncStatus& status, bool turkish);
// The server as a fresh connection found it: "reachable, schema 1" or `problem`.
std::string serverStateLine(const std::string& problem, bool turkish);
// While a push and pull runs.
std::string syncingLine(bool turkish);
// What turning it off did (`was`: it was on).
std::string turnedOffLine(bool was, bool turkish);

}  // namespace tvx::sync
