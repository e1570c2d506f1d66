#include "record/schema.h"

#include <sqlite3.h>

#include <string>

namespace tvx::record {
namespace {

// Migration n takes a database from version n-1 to n. Append only: never edit one that
// has shipped.
constexpr const char* kMigrations[] = {
    // 1: visits, trouble codes, clears, injector codes and programming runs, recordings.
    R"sql(
CREATE TABLE visits(
    id INTEGER PRIMARY KEY,
    started_at INTEGER NOT NULL,
    ended_at INTEGER NOT NULL,
    demo INTEGER NOT NULL DEFAULT 0 CHECK(demo IN (0, 1)),
    vehicle TEXT NOT NULL DEFAULT '',
    diesel INTEGER NOT NULL DEFAULT 0,
    vin TEXT,
    language TEXT NOT NULL DEFAULT 'en',
    injector_unit INTEGER NOT NULL DEFAULT 0);
CREATE INDEX visits_by_vin ON visits(vin, started_at);
CREATE TABLE visit_modules(
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    module INTEGER NOT NULL CHECK(module BETWEEN 1 AND 5),
    protocol INTEGER NOT NULL,
    PRIMARY KEY(visit_id, module)) WITHOUT ROWID;
CREATE TABLE code_reads(
    id INTEGER PRIMARY KEY,
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    module INTEGER NOT NULL CHECK(module BETWEEN 1 AND 5),
    at INTEGER NOT NULL,
    ok INTEGER NOT NULL,
    count INTEGER NOT NULL DEFAULT 0,
    catalogue_missing INTEGER NOT NULL DEFAULT 0,
    language TEXT NOT NULL DEFAULT 'en');
CREATE INDEX code_reads_by_visit ON code_reads(visit_id, module);
CREATE TABLE codes(
    read_id INTEGER NOT NULL REFERENCES code_reads(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    code INTEGER NOT NULL,
    code_text TEXT NOT NULL,
    description TEXT NOT NULL DEFAULT '',
    PRIMARY KEY(read_id, position)) WITHOUT ROWID;
CREATE TABLE clears(
    id INTEGER PRIMARY KEY,
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    module INTEGER NOT NULL CHECK(module BETWEEN 1 AND 5),
    at INTEGER NOT NULL,
    ok INTEGER NOT NULL,
    before_read_id INTEGER REFERENCES code_reads(id),
    after_read_id INTEGER REFERENCES code_reads(id));
CREATE INDEX clears_by_visit ON clears(visit_id, module);
CREATE TABLE injector_reads(
    id INTEGER PRIMARY KEY,
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    at INTEGER NOT NULL,
    ok INTEGER NOT NULL,
    codes TEXT NOT NULL DEFAULT '',
    blocks BLOB);
CREATE INDEX injector_reads_by_visit ON injector_reads(visit_id);
CREATE TABLE programming_runs(
    id INTEGER PRIMARY KEY,
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    injector INTEGER NOT NULL CHECK(injector BETWEEN 1 AND 4),
    started_at INTEGER NOT NULL,
    ended_at INTEGER,
    code_before TEXT NOT NULL,
    code_new TEXT NOT NULL,
    codes_read TEXT NOT NULL,
    blocks BLOB NOT NULL,
    result TEXT NOT NULL DEFAULT 'started',
    unit_holds TEXT NOT NULL DEFAULT '',
    code_after TEXT NOT NULL DEFAULT '',
    restore_tried INTEGER NOT NULL DEFAULT 0);
CREATE INDEX programming_runs_by_visit ON programming_runs(visit_id);
CREATE TABLE programming_steps(
    run_id INTEGER NOT NULL REFERENCES programming_runs(id) ON DELETE CASCADE,
    seq INTEGER NOT NULL,
    at INTEGER NOT NULL,
    half INTEGER NOT NULL,
    request TEXT NOT NULL,
    ok INTEGER NOT NULL,
    restore INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY(run_id, seq)) WITHOUT ROWID;
CREATE TABLE recordings(
    id INTEGER PRIMARY KEY,
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    page INTEGER NOT NULL,
    started_at INTEGER NOT NULL,
    ended_at INTEGER);
CREATE INDEX recordings_by_visit ON recordings(visit_id);
CREATE TABLE recording_channels(
    recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
    channel INTEGER NOT NULL,
    gauge TEXT NOT NULL,
    name TEXT NOT NULL,
    unit TEXT NOT NULL DEFAULT '',
    PRIMARY KEY(recording_id, channel)) WITHOUT ROWID;
CREATE TABLE readings(
    recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,
    seq INTEGER NOT NULL,
    t_ms INTEGER NOT NULL,
    channel INTEGER NOT NULL,
    value REAL,
    PRIMARY KEY(recording_id, seq)) WITHOUT ROWID;
)sql",
    // 2: a programming run that writes back a code the unit held before ("restore").
    R"sql(
ALTER TABLE programming_runs ADD COLUMN restore_run INTEGER NOT NULL DEFAULT 0;
)sql",
    // 3: the mechanic's notes of a visit; the plate is searched for like the VIN.
    R"sql(
ALTER TABLE visits ADD COLUMN plate TEXT NOT NULL DEFAULT '';
ALTER TABLE visits ADD COLUMN customer TEXT NOT NULL DEFAULT '';
ALTER TABLE visits ADD COLUMN odometer_km INTEGER;
ALTER TABLE visits ADD COLUMN findings TEXT NOT NULL DEFAULT '';
ALTER TABLE visits ADD COLUMN recommendation TEXT NOT NULL DEFAULT '';
CREATE INDEX visits_by_plate ON visits(plate);
-- The list, newest first, read in order and stopped at its limit.
CREATE INDEX visits_by_start ON visits(demo, started_at);
)sql",
    // 4: a recording's cycles and duration as the live recorder counted them, the figures
    // the recording file and the window show.
    R"sql(
ALTER TABLE recordings ADD COLUMN cycles INTEGER;
ALTER TABLE recordings ADD COLUMN duration_ms INTEGER;
)sql",
};

constexpr int kMigrationCount = static_cast<int>(std::size(kMigrations));
static_assert(kMigrationCount == kSchemaVersion);

}  // namespace

int schemaVersion(Database& db) {
    if (db.queryInteger("SELECT count(*) FROM sqlite_master WHERE name = 'schema_version'") == 0) {
        return 0;
    }
    return static_cast<int>(db.queryInteger("SELECT max(version) FROM schema_version", 0));
}

void refuseNewer(int version) {
    if (version > kSchemaVersion) {
        throw DbError(SQLITE_MISMATCH, "the record was written by a newer Tarvolinex (schema " +
                                           std::to_string(version) + ", this one knows " +
                                           std::to_string(kSchemaVersion) + ")");
    }
}

void migrate(Database& db, int target) {
    int version = schemaVersion(db);
    refuseNewer(version);
    while (version < target) {
        Transaction transaction(db);
        db.exec("CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL)");
        // Another program may have migrated while this one waited for the lock, even a
        // newer one: what the file holds is decided inside the transaction.
        version = static_cast<int>(db.queryInteger("SELECT max(version) FROM schema_version", 0));
        refuseNewer(version);
        if (version >= target) {
            break;
        }
        db.exec(kMigrations[version]);
        ++version;
        Statement(db, "INSERT INTO schema_version(version) VALUES (?)").bind(1, version).run();
        transaction.commit();
    }
}

}  // namespace tvx::record
