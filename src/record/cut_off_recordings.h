#pragma once

#include <cstdint>

#include "record/sqlite_db.h"

namespace tvx::record {

// Recordings of this PC that a program left open when it stopped without ending them (a
// crash, a pulled plug) end at their last reading. Ending one queues it for the push, so
// the readings it kept reach the other bays (a recording's readings travel when it ends).
// Only recordings begun before `before` (when the caller found no other program with the
// record open): one begun since is another program's, live. Returns how many were ended.
std::int64_t endCutOffRecordings(Database& db, std::int64_t before);

}  // namespace tvx::record
