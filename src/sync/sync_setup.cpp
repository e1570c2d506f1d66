#include "sync/sync_setup.h"

#include "sync/pg_connection.h"
#include "sync/server_schema.h"

namespace tvx::sync {
namespace {

bool yes(PgConnection& server, const std::string& sql,
         const std::vector<std::optional<std::string>>& params = {}) {
    return server.exec(sql, params).text(0, 0) == "t";
}

// The role's rights on the history: what it lacks, and what it must not have.
void checkRights(PgConnection& server, const SyncSettings& settings, SetupReport& report) {
    const std::string role = server.user();
    for (const char* right : {"SELECT", "INSERT"}) {
        if (!yes(server, "SELECT has_any_column_privilege('tvx.history', $1)", {right})) {
            report.lines.push_back("the role " + role + " may not " + right +
                                   " in the history: make it a member of tvx_bay (GRANT "
                                   "tvx_bay TO " +
                                   role + ")");
            report.ok = false;
        }
    }
    for (const char* right : {"UPDATE", "DELETE", "TRUNCATE"}) {
        if (yes(server, "SELECT has_table_privilege('tvx.history', $1)", {right})) {
            report.lines.push_back("the role " + role + " may " + right +
                                   " the history, which must stay append-only: REVOKE " + right +
                                   " ON tvx.history FROM " + role);
            report.ok = false;
        }
    }
    const std::string workshopRole = "tvx_ws_" + settings.workshop;
    if (!yes(server,
             "SELECT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = $1 AND "
             "pg_has_role(current_user, oid, 'MEMBER'))",
             {workshopRole})) {
        report.lines.push_back("the role " + role + " is not in the workshop " + settings.workshop +
                               ": GRANT " + workshopRole + " TO " + role + " (the role " +
                               workshopRole + " must exist)");
        report.ok = false;
    }
}

}  // namespace

SetupReport setUpSync(const std::filesystem::path& dataDir, const SyncSettings& settings) {
    SetupReport report;
    for (const auto& problem :
         {nameProblem("workshop", settings.workshop), nameProblem("bay", settings.bay)}) {
        if (!problem.empty()) {
            report.lines.push_back(problem);
            return report;
        }
    }
    try {
        if (namesPassword(settings.conninfo)) {
            report.lines.push_back(
                "the connection string holds a password: Tarvolinex never stores one; put it "
                "in the pgpass file or PGPASSWORD and leave it out of the string");
            return report;
        }
        PgConnection server(settings.conninfo);
        report.lines.push_back("connected as " + server.user());
        report.ownerRole = ownsHistory(server);
        if (report.ownerRole) {
            const int before = serverSchemaVersion(server);
            migrateServer(server);
            report.schemaVersion = serverSchemaVersion(server);
            report.lines.push_back(
                before == report.schemaVersion
                    ? "the server's history is at schema " + std::to_string(before)
                    : "the server's history was brought from schema " + std::to_string(before) +
                          " to " + std::to_string(report.schemaVersion));
            report.lines.push_back(
                "the role " + server.user() +
                " owns the history and could change it, so no bay keeps it: set this bay up "
                "with its own role (a member of tvx_bay and tvx_ws_" +
                settings.workshop + ")");
            report.ok = true;
            return report;
        }
        if (yes(server,
                "SELECT to_regnamespace('tvx') IS NOT NULL AND NOT has_schema_privilege('tvx', "
                "'USAGE')")) {
            report.lines.push_back("the role " + server.user() +
                                   " may not use the history: make it a member of tvx_bay "
                                   "(GRANT tvx_bay TO " +
                                   server.user() + ")");
            return report;
        }
        requireServerSchema(server);
        report.schemaVersion = kServerSchemaVersion;
        report.lines.push_back("the server's history is at schema " +
                               std::to_string(kServerSchemaVersion));
        report.ok = true;
        checkRights(server, settings, report);
        if (!report.ok) {
            return report;
        }
        report.lines.push_back("the role may add to and read the workshop " + settings.workshop +
                               "'s history, never change it");
    } catch (const SyncRefused& refused) {
        report.lines.push_back(refused.what());
        report.ok = false;
        return report;
    } catch (const PgError& error) {
        report.lines.push_back(
            (error.unreachable() ? "cannot reach the server: " : "the server refused: ") +
            std::string(error.what()));
        report.ok = false;
        return report;
    }
    try {
        saveSyncSettings(dataDir, settings);
        report.saved = true;
        report.lines.push_back("saved in " + (dataDir / SyncSettings::kFileName).string());
    } catch (const std::exception& error) {
        report.lines.push_back(error.what());
        report.ok = false;
    }
    return report;
}

}  // namespace tvx::sync
