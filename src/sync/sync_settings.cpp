#include "sync/sync_settings.h"

#include <fstream>
#include <stdexcept>

#include "sync/pg_connection.h"

namespace tvx::sync {

std::string nameProblem(NameOf what, const std::string& name, bool turkish) {
    const bool workshop = what == NameOf::Workshop;
    if (name.empty() || name.size() > 40) {
        return turkish ? std::string(workshop ? "atölye" : "bölme") +
                             " adı 1 ile 40 karakter arasında olmalı"
                       : std::string(workshop ? "the workshop" : "the bay") +
                             "'s name must be 1 to 40 characters long";
    }
    for (const char c : name) {
        const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!fits) {
            return (turkish ? std::string(workshop ? "atölye" : "bölme") +
                                  " adında yalnız harf, rakam, '-' ve '_' olabilir: \""
                            : std::string(workshop ? "the workshop" : "the bay") +
                                  "'s name may hold letters, digits, '-' and '_' only: \"") +
                   name + "\"";
        }
    }
    return "";
}

std::optional<SyncSettings> loadSyncSettings(const std::filesystem::path& dataDir) {
    const auto path = dataDir / SyncSettings::kFileName;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("the shared history's settings cannot be read: " + path.string());
    }
    SyncSettings settings;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "conninfo") {
            settings.conninfo = value;
        } else if (key == "workshop") {
            settings.workshop = value;
        } else if (key == "bay") {
            settings.bay = value;
        }
    }
    for (const auto& problem : {nameProblem(NameOf::Workshop, settings.workshop),
                                nameProblem(NameOf::Bay, settings.bay)}) {
        if (!problem.empty()) {
            throw std::runtime_error(path.string() + ": " + problem);
        }
    }
    if (settings.conninfo.empty()) {
        throw std::runtime_error(path.string() + ": no connection string (conninfo=)");
    }
    return settings;
}

void saveSyncSettings(const std::filesystem::path& dataDir, const SyncSettings& settings) {
    if (namesPassword(settings.conninfo)) {
        throw std::runtime_error(
            "the connection string holds a password, which Tarvolinex never writes into its "
            "settings: put it in the pgpass file (~/.pgpass; on Windows "
            "%APPDATA%\\postgresql\\pgpass.conf) or PGPASSWORD, and leave it out here");
    }
    for (const auto& problem :
         {nameProblem(NameOf::Workshop, settings.workshop), nameProblem(NameOf::Bay, settings.bay)}) {
        if (!problem.empty()) {
            throw std::runtime_error(problem);
        }
    }
    if (settings.conninfo.find('\n') != std::string::npos) {
        throw std::runtime_error("the connection string must be one line");
    }
    const auto path = dataDir / SyncSettings::kFileName;
    auto fresh = path;
    fresh += ".new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out << "# Shared history (tarvolinex-cli sync setup). No password here: libpq reads it\n"
               "# from the pgpass file or PGPASSWORD.\n"
            << "conninfo=" << settings.conninfo << "\nworkshop=" << settings.workshop
            << "\nbay=" << settings.bay << "\n";
        if (!out.flush()) {
            throw std::runtime_error("the shared history's settings cannot be written: " +
                                     fresh.string());
        }
    }
    std::error_code error;
    std::filesystem::rename(fresh, path, error);
    if (error) {
        throw std::runtime_error("the shared history's settings cannot be written: " +
                                 path.string() + " (" + error.message() + ")");
    }
}

bool removeSyncSettings(const std::filesystem::path& dataDir) {
    std::error_code error;
    return std::filesystem::remove(dataDir / SyncSettings::kFileName, error);
}

}  // namespace tvx::sync
