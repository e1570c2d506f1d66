#include "datadir/catalogue.h"

#include <algorithm>

namespace tvx::session {

namespace {

// Windows-1254 (the Turkish Windows code page, in which catalogues are often saved), bytes
// 0x80..0x9F; 0 where the code page defines no character.
constexpr char16_t kCp1254C1[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0,      0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178};

char32_t fromCp1254(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kCp1254C1[byte - 0x80];
    }
    switch (byte) {  // the six Turkish letters; the rest of 0xA0..0xFF is Latin-1
        case 0xD0:
            return 0x011E;
        case 0xDD:
            return 0x0130;
        case 0xDE:
            return 0x015E;
        case 0xF0:
            return 0x011F;
        case 0xFD:
            return 0x0131;
        case 0xFE:
            return 0x015F;
        default:
            return byte;
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the well-formed UTF-8 character at the start of `text` with its code point,
// or a length of 0 when the bytes there are not UTF-8.
std::size_t utf8Character(std::string_view text, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

std::filesystem::path cataloguePath(const std::filesystem::path& dataDirectory, char languageCode) {
    return dataDirectory / (languageCode == '2' ? "DTC5820TR.txt" : "DTC5820EN.txt");
}

std::optional<Catalogue> Catalogue::open(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        return std::nullopt;  // a folder of that name is no catalogue
    }
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
    return findCatalogueRow(m_stream, codeText);
}

std::optional<std::string> findCatalogueRow(std::istream& lines, std::string_view codeText) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (first && line.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
            line.erase(0, kByteOrderMark.size());  // an editor's mark, not part of the line
        }
        first = false;
        if (line.size() >= codeText.size() && line.compare(0, codeText.size(), codeText) == 0) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.size() > 5) {
                // The separator, however many bytes it takes, is shown as one blank.
                char32_t separator = 0;
                const std::size_t width =
                    std::max<std::size_t>(1, utf8Character(line.substr(5), separator));
                std::string row = line.substr(0, 5);
                row += ' ';
                row.append(line, std::min(line.size(), 5 + width));
                return displayableRow(row);
            }
            return displayableRow(line);
        }
    }
    return std::nullopt;
}

std::string displayableRow(std::string_view bytes) {
    std::string row;
    row.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t c = 0;
        std::size_t length = utf8Character(bytes, c);
        if (length == 0) {
            c = fromCp1254(static_cast<unsigned char>(bytes[0]));
            length = 1;
        }
        if (c == 0 || isControl(c)) {
            row += ' ';
        } else if (length > 1 || c < 0x80) {
            row.append(bytes.substr(0, length));
        } else {
            appendUtf8(row, c);
        }
        bytes.remove_prefix(length);
    }
    return row;
}

}  // namespace tvx::session
