#pragma once

#include <filesystem>

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
    Settings settings;  // defaults unless status is Read
};

std::filesystem::path settingsPath(const std::filesystem::path& dataDirectory);

// A language character other than '1' or '2' reads as English.
SettingsRead readSettings(const std::filesystem::path& file);

// Writes the settings to a new file beside the old one and renames it over the old one, so
// that a failed write never leaves the tester without settings. Creates the directory when
// missing. False when anything failed (the old file is then unchanged).
bool writeSettings(const std::filesystem::path& file, const Settings& settings);

}  // namespace tvx::session
