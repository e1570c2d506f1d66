#include "link/injector_codes.h"

namespace tvx::session {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

InjectorCodes blankInjectorCodes() {
    InjectorCodes codes;
    for (int slot = 1; slot <= 4; ++slot) {
        codes[slot] = std::string(kInjectorCodeLength, '-');
    }
    return codes;
}

std::string injectorCodeText(const std::array<std::uint8_t, 8>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kInjectorCodeLength);
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

CodeCheck checkInjectorCode(std::string_view slot) {
    CodeCheck check;
    if (slot == std::string(kInjectorCodeLength, '-')) {
        check.problem = CodeProblem::NotRead;
        return check;
    }
    for (char c : slot) {
        if (hexValue(c) < 0) {
            check.problem = CodeProblem::BadCharacter;
            return check;
        }
    }
    if (slot.size() < kInjectorCodeLength) {
        check.problem = CodeProblem::TooShort;
        return check;
    }
    if (slot.size() > kInjectorCodeLength) {
        check.problem = CodeProblem::TooLong;
        return check;
    }
    for (std::size_t i = 0; i < check.bytes.size(); ++i) {
        check.bytes[i] =
            static_cast<std::uint8_t>(hexValue(slot[2 * i]) * 16 + hexValue(slot[2 * i + 1]));
    }
    return check;
}

// Injector n's pair of reads is 9 - 2n and 10 - 2n; the later (lower) one holds the first
// half of the code.
int firstHalfRead(int injector) {
    return 10 - 2 * injector;
}
int secondHalfRead(int injector) {
    return 9 - 2 * injector;
}

std::array<std::uint8_t, 3> previousBlockAddress(const std::array<std::uint8_t, 3>& address) {
    std::uint32_t value =
        (std::uint32_t{address[0]} << 16) | (std::uint32_t{address[1]} << 8) | address[2];
    value = (value - 4) & 0xFFFFFF;
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

}  // namespace tvx::session
