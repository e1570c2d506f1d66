#include <cstdlib>
#include <system_error>

#include "datadir/data_directory.h"

namespace tvx::session {

std::filesystem::path defaultDataDirectory() {
    // Wide characters: a Windows user name (and so the profile folder) may be Turkish.
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    std::error_code error;
    const bool legacy = std::filesystem::is_directory("C:\\kestron-5820", error);
    return windowsDataDirectory(
        local != nullptr ? std::filesystem::path(local) : std::filesystem::path(), legacy);
}

}  // namespace tvx::session
