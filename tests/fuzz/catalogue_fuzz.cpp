// A trouble-code catalogue in any encoding (UTF-8, the Turkish code page, UTF-16, with or
// without a byte-order mark, any line ends, control characters, NULs). Rules: a code is
// found exactly when a line begins with it (a byte-order mark before the first line aside);
// a found row begins with the code and a blank and is well-formed UTF-8 without control
// characters; the lookup of the same code gives the same row again.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "checks.h"
#include "datadir/catalogue.h"

namespace {

using tvx::fuzz::require;

// Well-formed UTF-8 (shortest form, no surrogates) and no control character (C0, DEL, C1).
bool displayable(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        char32_t c = lead & (0x7F >> (length == 1 ? 0 : length));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool wellFormed =
            c >= kLeast[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!wellFormed || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            return false;
        }
        i += length;
    }
    return true;
}

// The first line that begins with the code, found the plain way.
bool anyLineBeginsWith(std::string_view content, std::string_view code) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    for (std::size_t start = 0; start <= content.size();) {
        const std::size_t end = content.find('\n', start);
        const std::string_view line = content.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (line.substr(0, code.size()) == code) {
            return true;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

void lookUp(const std::string& content, const std::string& code) {
    std::istringstream lines(content);
    const auto row = tvx::session::findCatalogueRow(lines, code);
    require(row.has_value() == anyLineBeginsWith(content, code),
            "a code is found exactly when a line begins with it", code);
    if (!row) {
        return;
    }
    require(displayable(*row), "a row is UTF-8 without control characters", *row);
    // The code itself is shown as it is when it is plain text.
    if (displayable(code)) {
        require(row->compare(0, code.size(), code) == 0, "a row begins with its code", *row);
        require(row->size() == code.size() || (*row)[code.size()] == ' ',
                "the separator is shown as a blank", *row);
    }
    std::istringstream again(content);
    require(tvx::session::findCatalogueRow(again, code) == row, "a lookup is repeatable");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    // Codes to look up: one made of the first two bytes, as the tester formats codes, and
    // the first five bytes of the first lines (which must then be found).
    std::vector<std::string> codes;
    if (size >= 2) {
        static constexpr char kLetters[] = "PCBU";
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const unsigned code = data[0] * 256u + data[1];
        std::string text(1, kLetters[code >> 14]);
        for (int shift = 12; shift >= 0; shift -= 4) {
            text += kDigits[(code & 0x3FFF) >> shift & 0xF];
        }
        codes.push_back(text);
    }
    std::size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int line = 0; line < 3 && start < content.size(); ++line) {
        const std::size_t end = content.find('\n', start);
        const std::string text = content.substr(start, std::min<std::size_t>(5, end - start));
        if (text.size() == 5) {
            codes.push_back(text);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    for (const std::string& code : codes) {
        lookUp(content, code);
    }
    // Any bytes at all become a displayable row.
    require(displayable(tvx::session::displayableRow(content)), "any bytes become displayable");
    return 0;
}
