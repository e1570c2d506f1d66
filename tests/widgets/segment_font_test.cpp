#include "widgets/segment_font.h"

#include <gtest/gtest.h>

namespace tvx::widgets {
namespace {

// Segment bits: a 1, b 2, c 4, d 8, e 16, f 32, g 64.
constexpr std::uint8_t kA = 1, kB = 2, kC = 4, kD = 8, kE = 16, kF = 32, kG = 64;

struct GlyphCase {
    char32_t ch;
    std::uint8_t segments;
};

class CharacterGlyph : public ::testing::TestWithParam<GlyphCase> {};

TEST_P(CharacterGlyph, LightsTheSegmentsOfItsShape) {
    EXPECT_EQ(segmentsOf(glyphCodeFor(GetParam().ch)), GetParam().segments);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CharacterGlyph,
    ::testing::Values(GlyphCase{U'0', kA | kB | kC | kD | kE | kF}, GlyphCase{U'1', kB | kC},
                      GlyphCase{U'2', kA | kB | kD | kE | kG}, GlyphCase{U'7', kA | kB | kC},
                      GlyphCase{U'8', kA | kB | kC | kD | kE | kF | kG},
                      GlyphCase{U'A', kA | kB | kC | kE | kF | kG},
                      GlyphCase{U'F', kA | kE | kF | kG}, GlyphCase{U'L', kD | kE | kF},
                      GlyphCase{U'H', kC | kE | kF | kG}, GlyphCase{U'K', kB | kC | kE | kF | kG},
                      GlyphCase{U'-', kG}, GlyphCase{U' ', 0}, GlyphCase{U'?', 0},
                      GlyphCase{U'_', 0}, GlyphCase{U'\u00C8', 0}, GlyphCase{U'\u00E9', 0},
                      GlyphCase{U'\u4E2D', 0}));

// Letters the segments cannot draw share a look-alike (K and X a capital H, which itself
// shows as h), and case never matters.
struct SharedCase {
    char32_t ch;
    char32_t sameAs;
};

class SharedGlyph : public ::testing::TestWithParam<SharedCase> {};

TEST_P(SharedGlyph, ShowsTheSameShape) {
    EXPECT_EQ(segmentsOf(glyphCodeFor(GetParam().ch)), segmentsOf(glyphCodeFor(GetParam().sameAs)));
}

INSTANTIATE_TEST_SUITE_P(LookAlikes, SharedGlyph,
                         ::testing::Values(SharedCase{U'a', U'A'}, SharedCase{U'z', U'Z'},
                                           SharedCase{U'q', U'Q'}, SharedCase{U'M', U'N'},
                                           SharedCase{U'm', U'n'}, SharedCase{U'V', U'U'},
                                           SharedCase{U'W', U'U'}, SharedCase{U'K', U'X'},
                                           SharedCase{U'k', U'x'}, SharedCase{U'G', U'6'},
                                           SharedCase{U'I', U'1'}, SharedCase{U'S', U'5'},
                                           SharedCase{U'Z', U'2'}));

TEST(GaugeCharKind, OnlyPointAndColonAreSeparators) {
    EXPECT_EQ(gaugeCharKind(U'.'), GaugeChar::Point);
    EXPECT_EQ(gaugeCharKind(U':'), GaugeChar::Colon);
    EXPECT_EQ(gaugeCharKind(U','), GaugeChar::Glyph);
    EXPECT_EQ(gaugeCharKind(U'8'), GaugeChar::Glyph);
}

TEST(SegmentGlyphs, CodesOutsideTheTableAreBlank) {
    EXPECT_EQ(segmentsOf(-1), 0);
    EXPECT_EQ(segmentsOf(kSegmentGlyphCount), 0);
    EXPECT_EQ(segmentsOf(kMinusGlyph), kG);
}

}  // namespace
}  // namespace tvx::widgets
