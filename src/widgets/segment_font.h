#pragma once

#include <array>
#include <cstdint>

namespace tvx::widgets {

// Seven-segment glyphs: one byte per glyph, bit n lit = segment n
// (0 a top, 1 b upper right, 2 c lower right, 3 d bottom, 4 e lower left, 5 f upper left,
// 6 g middle). Codes 0-9 digits, 10-35 letters A-Z, 36 blank, 37 minus.
inline constexpr int kSegmentGlyphCount = 38;
inline constexpr int kBlankGlyph = 36;
inline constexpr int kMinusGlyph = 37;
extern const std::array<std::uint8_t, kSegmentGlyphCount> kSegmentGlyphs;

// The segment byte of a glyph code; codes outside the table are blank.
std::uint8_t segmentsOf(int glyphCode);

// What one character of a gauge text is: a glyph in a cell, or a separator between cells.
enum class GaugeChar : std::uint8_t { Glyph, Point, Colon };
GaugeChar gaugeCharKind(char32_t ch);

// The glyph code of a character: digits, letters (either case), '-', everything else blank.
int glyphCodeFor(char32_t ch);

}  // namespace tvx::widgets
