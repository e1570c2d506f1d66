#pragma once

#include <array>
#include <cstdint>

namespace tvx::widgets {

// The 5x7 font: 128 glyphs indexed by character code, each seven rows top to bottom, a row
// five bits with 16 the leftmost dot. Codes 32..126 are printable ASCII; 0..31 hold extra
// glyphs (Greek letters, dotted vowels, arrow, superscript two); 127 is blank.
inline constexpr int kMatrixGlyphCount = 128;
inline constexpr int kMatrixRows = 7;
inline constexpr int kMatrixColumns = 5;
using MatrixGlyph = std::array<std::uint8_t, kMatrixRows>;
extern const std::array<MatrixGlyph, kMatrixGlyphCount> kMatrixFont;

// Whether the dot at row (0 top) and column (0 left) of a character code is lit; codes
// 128 and above have no glyph.
bool matrixDotLit(char32_t code, int row, int column);

}  // namespace tvx::widgets
