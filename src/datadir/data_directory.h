#pragma once

#include <filesystem>
#include <optional>

namespace tvx::session {

// Where the settings file, the catalogues and the workshop record live. On Windows:
// %LOCALAPPDATA%\Tarvolinex, except on a PC that already has C:\kestron-5820 (the folder
// earlier versions used), whose files stay in use there. Elsewhere $XDG_DATA_HOME/tarvolinex,
// or ~/.local/share/tarvolinex when XDG_DATA_HOME is not set. One file per platform
// (data_directory_posix.cpp, data_directory_windows.cpp).
std::filesystem::path defaultDataDirectory();

// The directory given with --data-dir when there is one, else the default.
std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& override);

// The Windows rule, apart from the environment: `localAppData` is %LOCALAPPDATA% (empty when
// unset), `legacyExists` whether the old folder C:\kestron-5820 is there.
std::filesystem::path windowsDataDirectory(const std::filesystem::path& localAppData,
                                           bool legacyExists);

}  // namespace tvx::session
