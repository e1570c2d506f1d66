#include "sync/sync_setup.h"

#include "sync/pg_connection.h"
#include "sync/server_schema.h"

namespace tvx::sync {
namespace {

// English or Turkish, as the rest of what the bay's mechanic reads.
struct Say {
    bool tr;
    std::string operator()(const char* english, const char* turkish) const {
        return tr ? turkish : english;
    }
};

bool yes(PgConnection& server, const std::string& sql,
         const std::vector<std::optional<std::string>>& params = {}) {
    return server.exec(sql, params).text(0, 0) == "t";
}

// The role's rights on the history: what it lacks, and what it must not have.
void checkRights(PgConnection& server, const SyncSettings& settings, SetupReport& report, Say say) {
    const std::string role = server.user();
    for (const char* right : {"SELECT", "INSERT"}) {
        if (!yes(server, "SELECT has_any_column_privilege('tvx.history', $1)", {right})) {
            report.lines.push_back(say("the role ", "rol ") + role +
                                   say(" may not ", " geçmişte şunu yapamıyor: ") + right +
                                   say(" in the history: make it a member of tvx_bay (GRANT "
                                       "tvx_bay TO ",
                                       "; onu tvx_bay üyesi yapın (GRANT tvx_bay TO ") +
                                   role + ")");
            report.ok = false;
        }
    }
    for (const char* right : {"UPDATE", "DELETE", "TRUNCATE"}) {
        if (yes(server, "SELECT has_table_privilege('tvx.history', $1)", {right})) {
            report.lines.push_back(say("the role ", "rol ") + role +
                                   say(" may ", " geçmişte şunu yapabiliyor: ") + right +
                                   say(" the history, which must stay append-only: REVOKE ",
                                       "; oysa geçmiş yalnız eklenerek büyümeli: REVOKE ") +
                                   right + " ON tvx.history FROM " + role);
            report.ok = false;
        }
    }
    const std::string workshopRole = "tvx_ws_" + settings.workshop;
    if (!yes(server,
             "SELECT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = $1 AND "
             "pg_has_role(current_user, oid, 'MEMBER'))",
             {workshopRole})) {
        report.lines.push_back(say("the role ", "rol ") + role +
                               say(" is not in the workshop ", " şu atölyede değil: ") +
                               settings.workshop + ": GRANT " + workshopRole + " TO " + role +
                               say(" (the role ", " (") + workshopRole +
                               say(" must exist)", " rolü var olmalı)"));
        report.ok = false;
    }
}

}  // namespace

SetupReport setUpSync(const std::filesystem::path& dataDir, const SyncSettings& settings,
                      bool turkish) {
    const Say say{turkish};
    SetupReport report;
    for (const auto& problem : {nameProblem(NameOf::Workshop, settings.workshop, turkish),
                                nameProblem(NameOf::Bay, settings.bay, turkish)}) {
        if (!problem.empty()) {
            report.lines.push_back(problem);
            return report;
        }
    }
    try {
        if (namesPassword(settings.conninfo)) {
            report.lines.push_back(
                say("the connection string holds a password: Tarvolinex never stores one; put it "
                    "in the pgpass file or PGPASSWORD and leave it out of the string",
                    "bağlantı dizesinde parola var: Tarvolinex parola saklamaz; parolayı pgpass "
                    "dosyasına ya da PGPASSWORD'e yazın ve dizeden çıkarın"));
            return report;
        }
        PgConnection server(settings.conninfo);
        report.lines.push_back(say("connected as ", "bağlanılan rol: ") + server.user());
        report.ownerRole = ownsHistory(server);
        if (report.ownerRole) {
            const int before = serverSchemaVersion(server);
            migrateServer(server);
            report.schemaVersion = serverSchemaVersion(server);
            report.lines.push_back(
                before == report.schemaVersion
                    ? say("the server's history is at schema ", "sunucudaki geçmiş şema ") +
                          std::to_string(before) + say("", " sürümünde")
                    : say("the server's history was brought from schema ",
                          "sunucudaki geçmiş şema ") +
                          std::to_string(before) + say(" to ", " sürümünden ") +
                          std::to_string(report.schemaVersion) + say("", " sürümüne getirildi"));
            report.lines.push_back(
                say("the role ", "rol ") + server.user() +
                say(" owns the history and could change it, so no bay keeps it: set this bay up "
                    "with its own role (a member of tvx_bay and tvx_ws_",
                    " geçmişin sahibi ve onu değiştirebilir, bu yüzden hiçbir bölme onu saklamaz: "
                    "bu bölmeyi kendi rolüyle kurun (tvx_bay ve tvx_ws_") +
                settings.workshop + say(")", " üyesi)"));
            report.ok = true;
            return report;
        }
        if (yes(server,
                "SELECT to_regnamespace('tvx') IS NOT NULL AND NOT has_schema_privilege('tvx', "
                "'USAGE')")) {
            report.lines.push_back(say("the role ", "rol ") + server.user() +
                                   say(" may not use the history: make it a member of tvx_bay "
                                       "(GRANT tvx_bay TO ",
                                       " geçmişi kullanamıyor: onu tvx_bay üyesi yapın "
                                       "(GRANT tvx_bay TO ") +
                                   server.user() + ")");
            return report;
        }
        requireServerSchema(server);
        report.schemaVersion = kServerSchemaVersion;
        report.lines.push_back(
            say("the server's history is at schema ", "sunucudaki geçmiş şema ") +
            std::to_string(kServerSchemaVersion) + say("", " sürümünde"));
        report.ok = true;
        checkRights(server, settings, report, say);
        if (!report.ok) {
            return report;
        }
        report.lines.push_back(say("the role may add to and read the workshop ",
                                   "rol şu atölyenin geçmişine ekleyip okuyabilir, asla "
                                   "değiştiremez: ") +
                               settings.workshop + say("'s history, never change it", ""));
    } catch (const SyncRefused& refused) {
        report.lines.push_back(refused.what());
        report.ok = false;
        return report;
    } catch (const PgError& error) {
        report.lines.push_back((error.unreachable()
                                    ? say("cannot reach the server: ", "sunucuya ulaşılamıyor: ")
                                    : say("the server refused: ", "sunucu reddetti: ")) +
                               std::string(error.what()));
        report.ok = false;
        return report;
    }
    try {
        saveSyncSettings(dataDir, settings);
        report.saved = true;
        report.lines.push_back(say("saved in ", "kaydedildi: ") +
                               (dataDir / SyncSettings::kFileName).string());
    } catch (const std::exception& error) {
        report.lines.push_back(error.what());
        report.ok = false;
    }
    return report;
}

}  // namespace tvx::sync
