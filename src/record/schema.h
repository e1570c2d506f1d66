#pragma once

#include "record/sqlite_db.h"

namespace tvx::record {

// The schema version this build writes. A file of a higher version comes from a newer
// Tarvolinex and is left alone.
inline constexpr int kSchemaVersion = 6;

// The version a database holds (0 for a new, empty file).
int schemaVersion(Database& db);
// Throws DbError (SQLITE_MISMATCH) for a version newer than this build knows.
void refuseNewer(int version);
// Brings a database up to `target` (kSchemaVersion; an older one only to make the files of
// earlier builds in tests), one migration at a time, each in a transaction. Throws DbError
// when the file is of a newer version (SQLITE_MISMATCH) or cannot be written.
void migrate(Database& db, int target = kSchemaVersion);

}  // namespace tvx::record
