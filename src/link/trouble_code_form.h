#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tvx::link {

// The three request forms of the trouble-code read and clear.
//   A: 21, 1, 0x13 / 0x14       B: 31, 4, 0x18 ... / 31, 3, 0x14 ...       C: 11, 1, 0x13 / 0x14
enum class TroubleCodeForm { A, B, C };

// Modules 1 and 2 go by the protocol of module 1 (1: A, 2: B); modules 3 and 4 by their own
// (1: C, 2: B); module 5 by its own (1: A, 2: B, 3: C). No form for anything else.
std::optional<TroubleCodeForm> troubleCodeForm(int module,
                                               const std::array<std::uint8_t, 6>& protocols);

// Command byte of a parameter read for module 1..5 under its protocol, or none when that
// module and protocol send nothing.
std::optional<std::uint8_t> parameterCommand(int module,
                                             const std::array<std::uint8_t, 6>& protocols);

}  // namespace tvx::link
