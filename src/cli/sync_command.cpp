#include "cli/commands.h"

#if TVX_HAVE_SYNC
#include "plain/local_time.h"
#include "record/record.h"
#include "sync/pg_connection.h"
#include "sync/server_schema.h"
#include "sync/sync_pass.h"
#include "sync/sync_setup.h"
#include "sync/sync_state.h"
#endif

namespace tvx::cli {

#if TVX_HAVE_SYNC
namespace {

// English or Turkish, as the rest of what this run prints.
struct Say {
    bool tr;
    const char* operator()(const char* english, const char* turkish) const {
        return tr ? turkish : english;
    }
};

std::string when(const std::optional<std::int64_t>& ms, Say say) {
    return ms ? formatLocalTime(*ms, "%Y-%m-%d %H:%M") : say("never", "hiç");
}

std::unique_ptr<record::Record> openRecord(const std::filesystem::path& dataDirectory,
                                           Console& console) {
    record::Record::Opened opened = record::Record::open(dataDirectory / record::Record::kFileName);
    if (!opened.record) {
        console.err << "tarvolinex-cli: the workshop record cannot be used: " << opened.problem
                    << '\n';
    }
    return std::move(opened.record);
}

ExitCode runSetup(const Invocation& invocation, Console& console,
                  const std::filesystem::path& dataDirectory) {
    std::error_code ignored;
    std::filesystem::create_directories(dataDirectory, ignored);
    const auto report = sync::setUpSync(
        dataDirectory, {invocation.conninfo, invocation.syncWorkshop, invocation.bay});
    for (const std::string& line : report.lines) {
        (report.ok ? console.out : console.err)
            << (report.ok ? "" : "tarvolinex-cli: ") << line << '\n';
    }
    return report.ok ? ExitCode::Ok : ExitCode::SyncFailed;
}

ExitCode runStatus(Console& console, const std::filesystem::path& dataDirectory, Say say,
                   const sync::SyncSettings& settings) {
    auto record = openRecord(dataDirectory, console);
    if (!record) {
        return ExitCode::RecordFailed;
    }
    const sync::SyncStatus status = sync::readSyncStatus(record->database());
    console.out << say("Shared history: workshop ", "Ortak geçmiş: atölye ") << settings.workshop
                << say(", bay ", ", bölme ") << settings.bay << '\n'
                << say("Server:          ", "Sunucu:          ") << settings.conninfo << '\n'
                << say("Waiting:         ", "Bekleyen:        ") << status.waiting << '\n'
                << say("Last push:       ", "Son gönderim:    ") << when(status.lastPushAt, say)
                << '\n'
                << say("Last pull:       ", "Son alım:        ") << when(status.lastPullAt, say)
                << '\n'
                << say("Other bays:      ", "Diğer bölmeler:  ") << status.otherBaysVisits
                << say(" visits", " ziyaret") << '\n';
    if (status.unreachableSince) {
        console.out << say("Unreachable since ", "Şu andan beri ulaşılamıyor: ")
                    << when(status.unreachableSince, say) << '\n';
    }
    if (!status.problem.empty()) {
        console.out << say("Last problem:    ", "Son sorun:       ") << status.problem << '\n';
    }
    // The server as it is now.
    try {
        sync::PgConnection server(settings.conninfo);
        sync::requireServerSchema(server);
        console.out << say("Server state:    reachable, schema ",
                           "Sunucu durumu:   ulaşılabilir, şema ")
                    << sync::kServerSchemaVersion << '\n';
    } catch (const std::exception& error) {
        console.out << say("Server state:    ", "Sunucu durumu:   ") << error.what() << '\n';
    }
    return ExitCode::Ok;
}

ExitCode runNow(Console& console, const std::filesystem::path& dataDirectory, Say say,
                const sync::SyncSettings& settings) {
    auto record = openRecord(dataDirectory, console);
    if (!record) {
        return ExitCode::RecordFailed;
    }
    console.progress(say("Pushing and pulling the shared history ...",
                         "Ortak geçmiş gönderiliyor ve alınıyor ..."));
    const sync::PassResult result = sync::syncPass(settings, record->database());
    console.out << say("Sent ", "Gönderilen ") << result.sent
                << say(" (already there ", " (zaten olan ") << result.repeated << "), "
                << say("received ", "alınan ") << result.received << ", "
                << say("waiting ", "bekleyen ") << result.waiting << '\n';
    if (!result.ok()) {
        console.err << "tarvolinex-cli: "
                    << (result.pushed
                            ? say("the pull did not go through: ", "alım yapılamadı: ")
                            : say("the push did not go through: ", "gönderim yapılamadı: "))
                    << result.problem << '\n';
        return ExitCode::SyncFailed;
    }
    return ExitCode::Ok;
}

}  // namespace

ExitCode runSync(const Invocation& invocation, Console& console,
                 const std::filesystem::path& dataDirectory, char languageCode) {
    const Say say{languageCode == '2'};
    if (invocation.command == CommandKind::SyncSetup) {
        return runSetup(invocation, console, dataDirectory);
    }
    if (invocation.command == CommandKind::SyncOff) {
        const bool was = sync::removeSyncSettings(dataDirectory);
        console.out << (was ? say("Shared history off: what this PC records waits in its record "
                                  "for a later 'sync setup'.",
                                  "Ortak geçmiş kapatıldı: bu bilgisayarın kaydettikleri daha "
                                  "sonraki bir 'sync setup' için kayıtta bekler.")
                            : say("Shared history was off.", "Ortak geçmiş zaten kapalıydı."))
                    << '\n';
        return ExitCode::Ok;
    }
    std::optional<sync::SyncSettings> settings;
    try {
        settings = sync::loadSyncSettings(dataDirectory);
    } catch (const std::exception& error) {
        console.err << "tarvolinex-cli: " << error.what() << '\n';
        return ExitCode::BadInput;
    }
    if (!settings) {
        console.out << say("Shared history: off (set it up with 'tarvolinex-cli sync setup')",
                           "Ortak geçmiş: kapalı ('tarvolinex-cli sync setup' ile kurun)")
                    << '\n';
        return invocation.command == CommandKind::SyncNow ? ExitCode::SyncFailed : ExitCode::Ok;
    }
    try {
        return invocation.command == CommandKind::SyncNow
                   ? runNow(console, dataDirectory, say, *settings)
                   : runStatus(console, dataDirectory, say, *settings);
    } catch (const record::DbError& error) {
        console.err << "tarvolinex-cli: the workshop record cannot be used: "
                    << record::Record::plainProblem(error) << '\n';
        return ExitCode::RecordFailed;
    }
}

#else

ExitCode runSync(const Invocation&, Console& console, const std::filesystem::path&, char) {
    console.err << "tarvolinex-cli: this build keeps no shared history (it was built without "
                   "libpq or without the record)\n";
    return ExitCode::SyncFailed;
}

#endif

}  // namespace tvx::cli
