#pragma once

#include "plain/keyed_rows.h"

namespace tvx {

// A fixed text in English and in Turkish (UTF-8).
struct BilingualText {
    const char* english;
    const char* turkish;
    constexpr const char* in(bool inTurkish) const { return inTurkish ? turkish : english; }
};

// One row of a table of fixed texts: what the text is for, and the text in both languages.
template <class Key>
struct Bilingual {
    Key key;
    const char* english;
    const char* turkish;
    constexpr const char* in(bool inTurkish) const { return inTurkish ? turkish : english; }
};

// The text of `key` in a table of Bilingual rows, in Turkish or English; "" when no row has it.
template <class Rows, class Key>
constexpr const char* bilingualText(const Rows& rows, const Key& key, bool turkish) {
    const auto* row = findRow(rows, key);
    return row ? row->in(turkish) : "";
}

}  // namespace tvx
