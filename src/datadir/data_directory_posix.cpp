#include <cstdlib>

#include "datadir/data_directory.h"

namespace tvx::session {

std::filesystem::path defaultDataDirectory() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "tarvolinex";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".local" / "share" / "tarvolinex";
    }
    return std::filesystem::current_path() / "tarvolinex-data";
}

}  // namespace tvx::session
