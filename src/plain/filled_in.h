#pragma once

#include <string>
#include <string_view>

namespace tvx {

// TEXT with each key of FILLS ("{port}") replaced by its value wherever it stands, key by key;
// a value put in is not searched for the same key again. FILLS: pairs or {key, value} rows.
template <typename Fills>
std::string filledIn(std::string text, const Fills& fills) {
    for (const auto& [key, value] : fills) {
        const std::string_view k = key;
        const std::string_view v = value;
        for (auto at = text.find(k); at != std::string::npos; at = text.find(k, at + v.size())) {
            text.replace(at, k.size(), v);
        }
    }
    return text;
}

}  // namespace tvx
