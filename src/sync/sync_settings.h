#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tvx::sync {

// Where this PC's shared history goes: the file sync.txt in the data directory. Never a
// password: libpq takes it from the user's pgpass file or PGPASSWORD.
struct SyncSettings {
    static constexpr const char* kFileName = "sync.txt";

    std::string conninfo;  // libpq's connection string, a URI or "service=NAME"
    std::string workshop;
    std::string bay;
};

enum class NameOf { Workshop, Bay };
// A workshop's or bay's name: 1 to 40 letters, digits, '-' or '_'. Returns why not, or "".
std::string nameProblem(NameOf what, const std::string& name, bool turkish = false);

// The settings of a data directory; nullopt when the shared history is off (no file).
// Throws std::runtime_error with a plain sentence when the file cannot be read or is
// not valid.
std::optional<SyncSettings> loadSyncSettings(const std::filesystem::path& dataDir);
// Writes them (a new file, then renamed over the old). Throws std::runtime_error when the
// connection string names a password, or the file cannot be written.
void saveSyncSettings(const std::filesystem::path& dataDir, const SyncSettings& settings);
// Turns the shared history off; true when it was on.
bool removeSyncSettings(const std::filesystem::path& dataDir);

}  // namespace tvx::sync
