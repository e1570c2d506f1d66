#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "plain/injector_label.h"

namespace tvx::session {

// The four injector correction codes, slots 1..4 (index 0 unused). A code is eight bytes
// shown as 16 upper-case hexadecimal digits; a slot never read holds 16 dashes.
using InjectorCodes = std::array<std::string, 5>;

inline constexpr std::size_t kInjectorCodeLength = 16;

InjectorCodes blankInjectorCodes();

// One four-byte block of the injector unit's memory with the address it was read from.
struct InjectorBlock {
    std::array<std::uint8_t, 4> data{};
    std::array<std::uint8_t, 3> address{};
};

// Eight bytes as 16 upper-case hexadecimal digits, high nibble first.
std::string injectorCodeText(const std::array<std::uint8_t, 8>& bytes);

// Why a slot cannot be programmed.
enum class CodeProblem {
    None,
    NotRead,       // still the dashes of a slot that was never read or typed
    TooShort,      // fewer than 16 characters
    TooLong,       // more than 16 characters
    BadCharacter,  // something other than 0-9, A-F, a-f
};

struct CodeCheck {
    CodeProblem problem = CodeProblem::None;
    std::array<std::uint8_t, 8> bytes{};  // valid only when problem is None
};

// Checks a slot and turns it into the eight bytes to program. Lower-case digits count as
// their upper-case value. Nothing is guessed: a slot that is not exactly 16 hexadecimal
// digits is refused with the reason.
CodeCheck checkInjectorCode(std::string_view slot);

// The blocks of one injector in an eight-block read: reads 1 and 2 hold injector 4, 3 and 4
// injector 3, 5 and 6 injector 2, 7 and 8 injector 1; the second read of each pair (the
// lower address) holds the first four bytes of the code.
int firstHalfRead(int injector);   // 1..8
int secondHalfRead(int injector);  // 1..8

// Subtracts 4 from a 24-bit address held as three bytes (high, middle, low).
std::array<std::uint8_t, 3> previousBlockAddress(const std::array<std::uint8_t, 3>& address);

// The caption the window shows on the panel of slot n ("Injector 1", "Injector 3",
// "Injector 4", "Injector 2"): the number the mechanic reads, also the report's.
using tvx::injectorLabelNumber;

}  // namespace tvx::session
