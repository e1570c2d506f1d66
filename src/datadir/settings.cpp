#include "datadir/settings.h"

#include <fstream>
#include <string>
#include <system_error>

namespace tvx::session {

std::filesystem::path settingsPath(const std::filesystem::path& dataDirectory) {
    return dataDirectory / "tarvol.txt";
}

SettingsRead readSettings(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    // Only the first two lines count.
    std::string portLine;
    std::string languageLine;
    std::getline(in, portLine);
    const bool twoLines = static_cast<bool>(std::getline(in, languageLine));
    return parseSettings(twoLines ? portLine + '\n' + languageLine : portLine);
}

SettingsRead parseSettings(std::string_view content) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        content.remove_prefix(kByteOrderMark.size());
    }
    const std::size_t end = content.find('\n');
    const std::string_view portLine = content.substr(0, end);
    const std::string_view languageLine =
        end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    SettingsRead result;
    result.settings.languageCode = !languageLine.empty() && languageLine[0] == '2' ? '2' : '1';
    if (portLine.empty() || portLine[0] < '1' || portLine[0] > '8') {
        result.status = SettingsStatus::Corrupt;
        return result;
    }
    result.status = SettingsStatus::Read;
    result.settings.comPortIndex = portLine[0] - '1';
    return result;
}

bool writeSettings(const std::filesystem::path& file, const Settings& settings) {
    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
    }
    std::filesystem::path fresh = file;
    fresh += ".new";
    {
        std::ofstream out(fresh, std::ios::trunc);
        out << static_cast<char>('1' + settings.comPortIndex) << '\n'
            << (settings.languageCode == '2' ? '2' : '1') << '\n';
        out.close();
        if (!out) {
            std::filesystem::remove(fresh, error);
            return false;
        }
    }
    std::filesystem::rename(fresh, file, error);
    if (error) {
        std::filesystem::remove(fresh, error);
        return false;
    }
    return true;
}

}  // namespace tvx::session
