#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tvx::fuzz {

// A broken rule is a finding: say which and stop, so the fuzzer keeps the input.
[[noreturn]] inline void broken(std::string_view rule, const std::string& detail) {
    std::fprintf(stderr, "\nRULE BROKEN: %.*s\n  %s\n", static_cast<int>(rule.size()), rule.data(),
                 detail.c_str());
    std::abort();
}

inline void require(bool holds, std::string_view rule, const std::string& detail = {}) {
    if (!holds) {
        broken(rule, detail);
    }
}

// Characters of UTF-8 text (bytes that do not continue a character).
inline std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// The display rule: every line has 24 characters, except that a module button writes
// 25-character lines to d1..d3 (two blank lines and the module's name), which may also
// come back when a trouble-code screen restores the screen it saved.
bool displayLineAllowed(int line, std::string_view text);

// 16 hexadecimal digits (either case): the only injector code that may be written.
bool isInjectorCode(std::string_view text);

}  // namespace tvx::fuzz
