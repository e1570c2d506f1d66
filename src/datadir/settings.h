#pragma once

#include <filesystem>
#include <string_view>

namespace tvx::session {

// The settings file tarvol.txt: line 1 the COM port digit ('1' = COM1 .. '8' = COM8),
// line 2 the language digit ('1' English, '2' Turkish). Only the first character of each
// line counts.
struct Settings {
    int comPortIndex = 0;     // 0..7
    char languageCode = '1';  // '1' or '2'
};

enum class SettingsStatus {
    Read,     // the file was read
    Missing,  // there is no file (or it cannot be opened)
    Corrupt,  // the file exists but its port line is not a digit 1..8
};

struct SettingsRead {
    SettingsStatus status = SettingsStatus::Missing;
    // Defaults when Missing; when Corrupt the port is the default but the language line
    // is still read, so a bad port line never costs the stored language.
    Settings settings;
};

std::filesystem::path settingsPath(const std::filesystem::path& dataDirectory);

// A language character other than '1' or '2' reads as English. A UTF-8 byte-order mark
// at the start (an editor's way of saving UTF-8) counts as nothing.
SettingsRead readSettings(const std::filesystem::path& file);
// The same for the file's content (never Missing).
SettingsRead parseSettings(std::string_view content);

// Writes the settings to a new file beside the old one and renames it over the old one, so
// that a failed write never leaves the tester without settings. Creates the directory when
// missing. False when anything failed (the old file is then unchanged).
bool writeSettings(const std::filesystem::path& file, const Settings& settings);

}  // namespace tvx::session
