#pragma once

#include <cstdint>
#include <span>

#include "decoder.h"

namespace tvx::link {

// How the raw value is taken from the reply: A alone, or A as high and B as low byte.
enum class RawForm : std::uint8_t { OneByte, TwoBytes };

// One parameter decoder as data. The engineering value is
//   ((raw >> shift) * multiply / divide) + offset
// and the gauge text is that value rounded to `decimals` in `width` characters.
struct DecoderRow {
    Decoder decoder;
    std::uint16_t identifier;
    int module;  // 1..5
    RawForm raw;
    std::uint8_t shift;
    double multiply;
    double divide;
    double offset;
    int width;
    int decimals;
    // Demo mode: RawValue is a random 0..demoRange-1, or demoRange itself when demoFixed.
    std::uint32_t demoRange;
    bool demoFixed;
    // Demo mode shows this text instead of a number, when set.
    const char* demoText;
    const char* gauge;  // name of the gauge the value is shown on
};

// The rows in the order of enum Decoder.
std::span<const DecoderRow> decoderTable();
const DecoderRow& decoderRow(Decoder decoder);
// The first row reading this identifier (nullptr when none does).
const DecoderRow* findDecoderRow(std::uint16_t identifier, RawForm form);
const DecoderRow* findDecoderRow(std::uint16_t identifier);

double engineeringValue(const DecoderRow& row, std::uint32_t raw);

}  // namespace tvx::link
