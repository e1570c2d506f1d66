#include "sync/sync_texts.h"

#include "plain/local_time.h"
#include "sync/server_schema.h"

namespace tvx::sync {
namespace {

// English or Turkish, as the rest of what is shown.
struct Say {
    bool tr;
    const char* operator()(const char* english, const char* turkish) const {
        return tr ? turkish : english;
    }
};

std::string when(const std::optional<std::int64_t>& ms, Say say) {
    return ms ? formatLocalTime(*ms, "%Y-%m-%d %H:%M") : say("never", "hiç");
}

}  // namespace

std::string conninfoFromEntry(const std::string& entry) {
    const auto first = entry.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    const auto last = entry.find_last_not_of(" \t");
    const std::string trimmed = entry.substr(first, last - first + 1);
    const bool bareWord = trimmed.find_first_of("= \t") == std::string::npos &&
                          trimmed.find("://") == std::string::npos;
    return bareWord ? "service=" + trimmed : trimmed;
}

std::vector<std::string> settingsLines(const SyncSettings& settings, bool turkish) {
    const Say say{turkish};
    return {say("Shared history: workshop ", "Ortak geçmiş: atölye ") + settings.workshop +
                say(", bay ", ", bölme ") + settings.bay,
            say("Server:          ", "Sunucu:          ") + settings.conninfo};
}

std::vector<std::string> statusLines(const SyncStatus& status, bool turkish) {
    const Say say{turkish};
    std::vector<std::string> lines{
        say("Waiting:         ", "Bekleyen:        ") + std::to_string(status.waiting),
        say("Last push:       ", "Son gönderim:    ") + when(status.lastPushAt, say),
        say("Last pull:       ", "Son alım:        ") + when(status.lastPullAt, say),
        say("Other bays:      ", "Diğer bölmeler:  ") + std::to_string(status.otherBaysVisits) +
            say(" visits", " ziyaret")};
    if (status.unreachableSince) {
        lines.push_back(say("Unreachable since ", "Şu andan beri ulaşılamıyor: ") +
                        when(status.unreachableSince, say));
    }
    if (!status.problem.empty()) {
        lines.push_back(say("Last problem:    ", "Son sorun:       ") + status.problem);
    }
    return lines;
}

std::string serverStateLine(const std::string& problem, bool turkish) {
    const Say say{turkish};
    if (problem.empty()) {
        return say("Server state:    reachable, schema ", "Sunucu durumu:   ulaşılabilir, şema ") +
               std::to_string(kServerSchemaVersion);
    }
    return say("Server state:    ", "Sunucu durumu:   ") + problem;
}

std::string syncingLine(bool turkish) {
    return Say{turkish}("Pushing and pulling the shared history ...",
                        "Ortak geçmiş gönderiliyor ve alınıyor ...");
}

std::string turnedOffLine(bool was, bool turkish) {
    const Say say{turkish};
    return was ? say("Shared history off: what this PC records waits in its record until the "
                     "shared history is set up again.",
                     "Ortak geçmiş kapatıldı: bu bilgisayarın kaydettikleri, ortak geçmiş yeniden "
                     "kurulana dek kayıtta bekler.")
               : say("Shared history was off.", "Ortak geçmiş zaten kapalıydı.");
}

}  // namespace tvx::sync
