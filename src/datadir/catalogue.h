#pragma once

#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace tvx::session {

// The trouble-code catalogue file of a language: DTC5820EN.txt ('1', and any code other
// than '2') or DTC5820TR.txt ('2'), in the data directory.
std::filesystem::path cataloguePath(const std::filesystem::path& dataDirectory, char languageCode);

// A trouble-code catalogue: a text file of lines; a line describes a code when its first
// five bytes are the code text; its sixth character is a separator of any kind. Lines may
// be of any length; comparison is on bytes, case-sensitive; the first match wins.
class Catalogue {
public:
    // nullopt when the file cannot be opened.
    static std::optional<Catalogue> open(const std::filesystem::path& file);

    // The grid row for a code: the matching line with its sixth character shown as a
    // blank (a trailing carriage return dropped) and made displayable, or nullopt when no
    // line matches.
    std::optional<std::string> find(std::string_view codeText);

private:
    explicit Catalogue(std::ifstream stream) : m_stream(std::move(stream)) {}
    std::ifstream m_stream;
};

// The lookup itself, on any stream of catalogue lines read from where it stands. A UTF-8
// byte-order mark before the first line is no part of it.
std::optional<std::string> findCatalogueRow(std::istream& lines, std::string_view codeText);

// A catalogue line as UTF-8 text fit for the grid and a terminal: well-formed UTF-8 is kept,
// any other byte is read as the Turkish Windows code page (a catalogue saved that way),
// and control characters (a stray NUL, an escape sequence) become blanks.
std::string displayableRow(std::string_view bytes);

}  // namespace tvx::session
