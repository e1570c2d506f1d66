#pragma once

#include <filesystem>
#include <optional>

namespace tvx::session {

// Where the settings file and the catalogues live: C:\kestron-5820 on Windows; elsewhere
// $XDG_DATA_HOME/tarvolinex, or ~/.local/share/tarvolinex when XDG_DATA_HOME is not set.
std::filesystem::path defaultDataDirectory();

// The directory given with --data-dir when there is one, else the default.
std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& override);

}  // namespace tvx::session
