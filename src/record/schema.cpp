#include "record/schema.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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
    // 4: the odometer as the instrument cluster last showed it in the visit, recorded or not.
    R"sql(
ALTER TABLE visits ADD COLUMN odometer_read_km REAL;
)sql",
};

// The uid column of a visit's rows of TABLE and the triggers that queue them (of KIND) in
// the outbox, and keep other bays' visits read-only.
std::string rowQueueTriggers(const std::string& t, const std::string& k) {
    const std::string local = "SELECT '" + k + "', r.uid FROM " + t +
                              " r JOIN visits v ON v.id = r.visit_id WHERE r.id = NEW.id AND "
                              "v.bay IS NULL AND v.demo = 0;\n";
    std::string sql = "ALTER TABLE " + t + " ADD COLUMN uid TEXT;\n";
    sql += "CREATE TRIGGER " + t + "_queue_insert AFTER INSERT ON " + t + " BEGIN\n";
    sql += "    UPDATE " + t +
           " SET uid = lower(hex(randomblob(16))) WHERE id = NEW.id AND uid IS NULL;\n";
    sql += "    INSERT OR REPLACE INTO outbox(kind, row_uid) " + local + "END;\n";
    sql += "CREATE TRIGGER " + t + "_queue_update AFTER UPDATE ON " + t +
           " WHEN OLD.uid IS NOT NULL BEGIN\n";
    sql += "    INSERT OR REPLACE INTO outbox(kind, row_uid) " + local + "END;\n";
    sql += "CREATE TRIGGER " + t + "_remote_insert BEFORE INSERT ON " + t +
           " WHEN (SELECT bay FROM visits WHERE id = NEW.visit_id) IS NOT NULL AND NOT EXISTS "
           "(SELECT 1 FROM sync_writing) BEGIN\n";
    sql += "    SELECT RAISE(ABORT, 'a visit of another bay is read-only');\nEND;\n";
    return sql;
}

// 5: shared history. Every row that leaves the PC gets an id that never repeats (128 random
// bits in hex); visits pulled from the workshop's other bays carry their bay (NULL: this
// PC). Triggers queue each change of a local row in the outbox within the statement that
// makes it, so no write can commit without its entry. A row waits there once: a later
// change replaces its entry (a new seq and entry id), and the sync reads the row as it is
// when it pushes. Readings and codes travel with their recording and their read.
std::string sharedHistoryMigration() {
    std::string sql = R"sql(
ALTER TABLE visits ADD COLUMN uid TEXT;
ALTER TABLE visits ADD COLUMN bay TEXT;
CREATE TABLE outbox(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    entry_uid TEXT NOT NULL UNIQUE DEFAULT (lower(hex(randomblob(16)))),
    kind TEXT NOT NULL,
    row_uid TEXT NOT NULL,
    UNIQUE(kind, row_uid));
CREATE TABLE sync_state(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
-- What the pull brought, as the server holds it; the visits of other bays are built from it.
CREATE TABLE remote_entries(
    uid TEXT PRIMARY KEY,
    bay TEXT NOT NULL,
    kind TEXT NOT NULL,
    row_uid TEXT NOT NULL,
    visit_uid TEXT NOT NULL,
    bay_seq INTEGER NOT NULL,
    vin TEXT,
    at INTEGER NOT NULL,
    body TEXT NOT NULL) WITHOUT ROWID;
CREATE INDEX remote_entries_by_visit ON remote_entries(visit_uid, kind, row_uid, bay_seq);
-- The newest version of a row, looked up for each row of a visit that is built again.
CREATE INDEX remote_entries_by_row ON remote_entries(row_uid, kind, bay_seq);
-- A row here, inside the pull's own transaction only, lets it write other bays' visits.
CREATE TABLE sync_writing(active INTEGER NOT NULL);
CREATE TRIGGER visits_queue_insert AFTER INSERT ON visits BEGIN
    UPDATE visits SET uid = lower(hex(randomblob(16))) WHERE id = NEW.id AND uid IS NULL;
    INSERT OR REPLACE INTO outbox(kind, row_uid) SELECT 'visit', uid FROM visits
        WHERE id = NEW.id AND bay IS NULL AND demo = 0;
END;
CREATE TRIGGER visits_queue_update AFTER UPDATE ON visits
WHEN OLD.uid IS NOT NULL AND NEW.bay IS NULL AND NEW.demo = 0 BEGIN
    INSERT OR REPLACE INTO outbox(kind, row_uid) VALUES ('visit', NEW.uid);
END;
-- A visit that goes (joined into the car's earlier one) is withdrawn on the server too.
CREATE TRIGGER visits_queue_delete AFTER DELETE ON visits
WHEN OLD.uid IS NOT NULL AND OLD.bay IS NULL AND OLD.demo = 0 BEGIN
    INSERT OR REPLACE INTO outbox(kind, row_uid) VALUES ('visit', OLD.uid);
END;
CREATE TRIGGER visits_remote_update BEFORE UPDATE ON visits
WHEN OLD.bay IS NOT NULL AND NOT EXISTS (SELECT 1 FROM sync_writing) BEGIN
    SELECT RAISE(ABORT, 'a visit of another bay is read-only');
END;
CREATE TRIGGER visits_remote_delete BEFORE DELETE ON visits
WHEN OLD.bay IS NOT NULL AND NOT EXISTS (SELECT 1 FROM sync_writing) BEGIN
    SELECT RAISE(ABORT, 'a visit of another bay is read-only');
END;
CREATE TRIGGER programming_steps_queue AFTER INSERT ON programming_steps BEGIN
    INSERT OR REPLACE INTO outbox(kind, row_uid) SELECT 'programming_run', r.uid
        FROM programming_runs r JOIN visits v ON v.id = r.visit_id
        WHERE r.id = NEW.run_id AND v.bay IS NULL AND v.demo = 0;
END;
)sql";
    const std::pair<const char*, const char*> kRows[] = {
        {"code_reads", "code_read"},         {"clears", "clear"},
        {"injector_reads", "injector_read"}, {"programming_runs", "programming_run"},
        {"recordings", "recording"},
    };
    for (const auto& [table, kind] : kRows) {
        sql += rowQueueTriggers(table, kind);
    }
    // The rows recorded before: ids for them, and all of them waiting for the first push.
    for (const char* table :
         {"visits", "code_reads", "clears", "injector_reads", "programming_runs", "recordings"}) {
        sql += std::string("UPDATE ") + table + " SET uid = lower(hex(randomblob(16)));\n";
        sql += std::string("CREATE UNIQUE INDEX ") + table + "_by_uid ON " + table + "(uid);\n";
    }
    sql += R"sql(
INSERT INTO outbox(kind, row_uid) SELECT 'visit', uid FROM visits WHERE demo = 0 ORDER BY id;
)sql";
    for (const auto& [table, kind] : kRows) {
        sql += std::string("INSERT INTO outbox(kind, row_uid) SELECT '") + kind + "', r.uid FROM " +
               table + " r JOIN visits v ON v.id = r.visit_id WHERE v.demo = 0 ORDER BY r.id;\n";
    }
    return sql;
}

// 6: a recording's cycles and duration as the live recorder counted them, the figures
// the recording file and the window show.
constexpr const char* kRecordingFiguresMigration = R"sql(
ALTER TABLE recordings ADD COLUMN cycles INTEGER;
ALTER TABLE recordings ADD COLUMN duration_ms INTEGER;
)sql";

const std::vector<std::string>& migrations() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> list(std::begin(kMigrations), std::end(kMigrations));
        list.push_back(sharedHistoryMigration());
        list.push_back(kRecordingFiguresMigration);
        if (list.size() != kSchemaVersion) {
            throw std::logic_error("one migration for each schema version");
        }
        return list;
    }();
    return all;
}

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
        db.exec(migrations()[static_cast<std::size_t>(version)]);
        ++version;
        Statement(db, "INSERT INTO schema_version(version) VALUES (?)").bind(1, version).run();
        transaction.commit();
    }
}

}  // namespace tvx::record
