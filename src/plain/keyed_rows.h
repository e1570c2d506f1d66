#pragma once

#include <iterator>

namespace tvx {

// The row of a table (an array, span or std::array of rows with a `key` member) whose key is
// `key`; nullptr when no row has it. The tables are short: a walk beats an index to keep.
template <class Rows, class Key>
constexpr auto findRow(const Rows& rows, const Key& key) -> decltype(&*std::begin(rows)) {
    for (const auto& row : rows) {
        if (row.key == key) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace tvx
