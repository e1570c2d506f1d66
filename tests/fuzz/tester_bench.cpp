#include "tester_bench.h"

#include <cstdlib>
#include <fstream>
#include <random>

#include "checks.h"

namespace tvx::fuzz {

const std::filesystem::path& fuzzDataDirectory() {
    static const std::filesystem::path directory = [] {
        std::random_device seed;
        auto dir = std::filesystem::temp_directory_path() /
                   ("tvx-fuzz-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "DTC5820EN.txt") << "P0087 Fuel rail pressure too low\n"
                                                "P0171 System too lean (bank 1)\n";
        std::ofstream(dir / "DTC5820TR.txt")
            << "P0087 Yak\xC4\xB1t bas\xC4\xB1nc\xC4\xB1 d\xC3\xBC\xC5\x9F\xC3\xBCk\n";
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(fuzzDataDirectory(), ignored);
        });
        return dir;
    }();
    return directory;
}

void putSettingsFile(const std::string* content) {
    const auto file = fuzzDataDirectory() / "tarvol.txt";
    if (content == nullptr) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << *content;
}

void CheckingView::setLine(int line, const std::string& text) {
    require(displayLineAllowed(line, text), "every display line has 24 characters",
            "d" + std::to_string(line) + ": \"" + text + "\" (" + std::to_string(characters(text)) +
                " characters)");
    RecordingView::setLine(line, text);
    if (onLine) {
        onLine(line, text);
    }
}

}  // namespace tvx::fuzz
