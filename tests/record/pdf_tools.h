#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

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

}  // namespace tvx::record::testing
