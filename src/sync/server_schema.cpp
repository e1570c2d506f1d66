#include "sync/server_schema.h"

#include <iterator>

namespace tvx::sync {
namespace {

// Migration n takes the server from version n-1 to n. Append only: never edit one that
// has shipped. The bays' rights go to the group role tvx_bay, their workshops are the roles
// tvx_ws_<workshop> they are members of (README, "Shared history on PostgreSQL").
constexpr const char* kMigrations[] = {
    // 1: the history, append-only for the bays, each workshop seeing its own rows.
    R"sql(
CREATE SCHEMA IF NOT EXISTS tvx;
CREATE TABLE tvx.schema_version(
    version integer PRIMARY KEY,
    applied_at timestamptz NOT NULL DEFAULT now());
CREATE TABLE tvx.history(
    uid text PRIMARY KEY CHECK (uid ~ '^[0-9a-f]{32}$'),
    workshop text NOT NULL,
    bay text NOT NULL,
    kind text NOT NULL,
    row_uid text NOT NULL,
    visit_uid text NOT NULL,
    bay_seq bigint NOT NULL,
    vin text,
    at bigint NOT NULL,
    body jsonb NOT NULL,
    stored_at timestamptz NOT NULL DEFAULT now(),
    stored_by name NOT NULL DEFAULT current_user,
    tx xid8 NOT NULL DEFAULT pg_current_xact_id());
CREATE INDEX history_pull ON tvx.history(workshop, tx);
CREATE INDEX history_vin ON tvx.history(workshop, vin);
ALTER TABLE tvx.history ENABLE ROW LEVEL SECURITY;
CREATE POLICY workshop_reads ON tvx.history FOR SELECT TO tvx_bay
    USING (workshop IN (SELECT substr(rolname, 8) FROM pg_roles
                        WHERE rolname LIKE 'tvx\_ws\_%' AND pg_has_role(current_user, oid, 'MEMBER')));
CREATE POLICY workshop_writes ON tvx.history FOR INSERT TO tvx_bay
    WITH CHECK (stored_by = current_user AND workshop IN (
        SELECT substr(rolname, 8) FROM pg_roles
        WHERE rolname LIKE 'tvx\_ws\_%' AND pg_has_role(current_user, oid, 'MEMBER')));
REVOKE ALL ON SCHEMA tvx FROM PUBLIC;
GRANT USAGE ON SCHEMA tvx TO tvx_bay;
GRANT SELECT ON tvx.schema_version TO tvx_bay;
GRANT SELECT ON tvx.history TO tvx_bay;
GRANT INSERT (uid, workshop, bay, kind, row_uid, visit_uid, bay_seq, vin, at, body)
    ON tvx.history TO tvx_bay;
)sql",
};
static_assert(std::size(kMigrations) == kServerSchemaVersion);

std::string newerSchema(int version) {
    return "the server's history was set up by a newer Tarvolinex (schema " +
           std::to_string(version) + ", this one knows " + std::to_string(kServerSchemaVersion) +
           "): update Tarvolinex on this PC; nothing is sent until then";
}

}  // namespace

int serverSchemaVersion(PgConnection& server) {
    const PgRows exists = server.exec("SELECT to_regclass('tvx.schema_version') IS NOT NULL");
    if (exists.text(0, 0) != "t") {
        return 0;
    }
    return std::stoi(
        server.exec("SELECT coalesce(max(version), 0) FROM tvx.schema_version").text(0, 0));
}

void requireServerSchema(PgConnection& server) {
    const int version = serverSchemaVersion(server);
    if (version > kServerSchemaVersion) {
        throw SyncRefused(newerSchema(version));
    }
    if (version < kServerSchemaVersion) {
        throw SyncRefused("the server's history is " +
                          (version == 0 ? std::string("not set up yet")
                                        : "at schema " + std::to_string(version)) +
                          ": run 'tarvolinex-cli sync setup' once with the owner's role");
    }
}

bool ownsHistory(PgConnection& server) {
    const PgRows rows = server.exec(
        "SELECT CASE WHEN n.oid IS NULL THEN has_database_privilege(current_database(), "
        "'CREATE') ELSE pg_has_role(current_user, n.nspowner, 'USAGE') END FROM (SELECT 1) one "
        "LEFT JOIN pg_namespace n ON n.nspname = 'tvx'");
    return rows.text(0, 0) == "t";
}

void migrateServer(PgConnection& server, int target) {
    if (server.exec("SELECT 1 FROM pg_roles WHERE rolname = 'tvx_bay'").size() == 0) {
        if (serverSchemaVersion(server) < target) {
            throw SyncRefused(
                "the server has no role tvx_bay for the bays: create it first (README, \"Shared "
                "history on PostgreSQL\")");
        }
    }
    for (bool done = false; !done;) {
        server.transaction([&] {
            // One bay migrates at a time; the others find the work done.
            server.exec("SELECT pg_advisory_xact_lock(5820)");
            const int version = serverSchemaVersion(server);
            if (version > kServerSchemaVersion) {
                throw SyncRefused(newerSchema(version));
            }
            if (version >= target) {
                done = true;
                return;
            }
            if (!ownsHistory(server)) {
                throw SyncRefused("the role " + server.user() + " may not " +
                                  (version == 0 ? "create" : "update") +
                                  " the server's history (schema " + std::to_string(version) +
                                  ", this Tarvolinex needs " + std::to_string(target) +
                                  "): run the setup once with the owner's role");
            }
            server.script(kMigrations[version]);
            server.exec("INSERT INTO tvx.schema_version(version) VALUES ($1)",
                        {std::to_string(version + 1)});
        });
    }
}

}  // namespace tvx::sync
