#pragma once

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tvx::record::testing {

// What a command writes on its standard output.
inline std::string commandOutput(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    return text;
}

// The text of a PDF as pdftotext reads it (poppler-utils), laid out as on the page.
inline std::string pdfText(const std::filesystem::path& pdf) {
    return commandOutput("pdftotext -layout '" + pdf.string() + "' -");
}

// The text of one page (from 1), the ligatures the font draws ("ﬁ", "ﬂ") as their letters.
inline std::string pdfPageText(const std::filesystem::path& pdf, int page) {
    const std::string number = std::to_string(page);
    std::string text = commandOutput("pdftotext -layout -f " + number + " -l " + number + " '" +
                                     pdf.string() + "' -");
    for (const auto& [ligature, letters] :
         {std::pair{"\xEF\xAC\x81", "fi"}, std::pair{"\xEF\xAC\x82", "fl"}}) {
        for (auto at = text.find(ligature); at != std::string::npos; at = text.find(ligature, at)) {
            text.replace(at, 3, letters);
        }
    }
    return text;
}

// The number of pages as pdfinfo gives it; 0 when it cannot read the file.
inline int pdfPages(const std::filesystem::path& pdf) {
    std::istringstream info(commandOutput("pdfinfo '" + pdf.string() + "'"));
    for (std::string line; std::getline(info, line);) {
        if (line.starts_with("Pages:")) {
            return std::stoi(line.substr(6));
        }
    }
    return 0;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Where a grouped injector code ("1234 5678 9ABC DEF0") begins in the text (its first two
// groups), and how many of those places hold it whole on the same line.
struct CodePlaces {
    int begun = 0;
    int whole = 0;
};

inline CodePlaces placesOf(const std::string& text, const std::string& grouped) {
    CodePlaces places;
    const std::string start = grouped.substr(0, 9);
    for (const std::string& line : linesOf(text)) {
        for (auto at = line.find(start); at != std::string::npos; at = line.find(start, at + 1)) {
            ++places.begun;
            places.whole += line.compare(at, grouped.size(), grouped) == 0;
        }
    }
    return places;
}

}  // namespace tvx::record::testing
