// The settings file, any bytes at all. Rules: a read file names a port 1..8 and a
// language 1 or 2; what is read is what its first characters say; written back and read
// again it gives the same settings.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "checks.h"
#include "datadir/settings.h"
#include "tester_bench.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    using fuzz::require;
    std::string_view content(reinterpret_cast<const char*>(data), size);
    const session::SettingsRead read = session::parseSettings(content);
    require(read.status != session::SettingsStatus::Missing, "content is never a missing file");
    require(read.settings.languageCode == '1' || read.settings.languageCode == '2',
            "the language is English or Turkish");
    require(read.settings.comPortIndex >= 0 && read.settings.comPortIndex <= 7,
            "the port is COM1..COM8");

    // What the first characters say, worked out afresh.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    const std::size_t newline = content.find('\n');
    const bool portGiven = !content.empty() && content[0] >= '1' && content[0] <= '8';
    const bool turkish = newline != std::string_view::npos && newline + 1 < content.size() &&
                         content[newline + 1] == '2';
    require((read.status == session::SettingsStatus::Read) == portGiven, "a port digit is read");
    require(!portGiven || read.settings.comPortIndex == content[0] - '1', "the port is the digit");
    require((read.settings.languageCode == '2') == turkish, "the language is the second line's");

    // The file itself: written and read back, the same settings (each of the sixteen once,
    // files being slow).
    static std::set<std::pair<int, char>> roundTripped;
    const auto file = session::settingsPath(fuzz::fuzzDataDirectory());
    if (read.status == session::SettingsStatus::Read &&
        roundTripped.insert({read.settings.comPortIndex, read.settings.languageCode}).second) {
        require(session::writeSettings(file, read.settings), "settings can be written");
        const session::SettingsRead again = session::readSettings(file);
        require(again.status == session::SettingsStatus::Read &&
                    again.settings.comPortIndex == read.settings.comPortIndex &&
                    again.settings.languageCode == read.settings.languageCode,
                "written settings read back the same");
    }
    return 0;
}
