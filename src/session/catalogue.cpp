#include "session/catalogue.h"

#include "session/screens.h"

namespace tvx::session {

std::filesystem::path cataloguePath(const std::filesystem::path& dataDirectory, char languageCode) {
    return dataDirectory / (languageCode == '2' ? "DTC5820TR.txt" : "DTC5820EN.txt");
}

std::optional<Catalogue> Catalogue::open(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    return Catalogue(std::move(stream));
}

std::optional<std::string> Catalogue::find(std::string_view codeText) {
    // Every lookup reads from the first line.
    m_stream.clear();
    m_stream.seekg(0);
    std::string line;
    while (std::getline(m_stream, line)) {
        if (line.size() >= codeText.size() && line.compare(0, codeText.size(), codeText) == 0) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > 5) {
                line[5] = ' ';
            }
            return line;
        }
    }
    return std::nullopt;
}

std::string undefinedCodeRow(std::string_view codeText, char languageCode) {
    return std::string(codeText) + std::string(undefinedDtcText(languageCode));
}

}  // namespace tvx::session
