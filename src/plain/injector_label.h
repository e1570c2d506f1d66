#pragma once

namespace tvx {

// The number on the injector in slot n of the unit (1..4 are injectors 1, 3, 4 and 2): the
// number the mechanic reads, which the window's panels and the customer's report show.
constexpr int injectorLabelNumber(int slot) {
    constexpr int kLabels[] = {0, 1, 3, 4, 2};
    return slot >= 1 && slot <= 4 ? kLabels[slot] : slot;
}

}  // namespace tvx
