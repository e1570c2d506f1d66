#include "session/data_directory.h"

#include <cstdlib>

namespace tvx::session {

std::filesystem::path defaultDataDirectory() {
#ifdef _WIN32
    return std::filesystem::path("C:\\kestron-5820");
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "tarvolinex";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".local" / "share" / "tarvolinex";
    }
    return std::filesystem::current_path() / "tarvolinex-data";
#endif
}

std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& override) {
    return override ? *override : defaultDataDirectory();
}

}  // namespace tvx::session
