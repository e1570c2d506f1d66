#include "widgets/dot_matrix.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "probe.h"
#include "widgets/color_code.h"
#include "widgets/dot_matrix_font.h"
#include "widgets/dot_matrix_plan.h"

namespace tvx::widgets {
namespace {

using probe::inkAt;

// A display size and its layout, with the geometry worked out by hand:
// cell W div N; first origin (W - cell*N) div 2 + HorzSpace div 2, VertSpace div 2;
// inner width cell - HorzSpace; pitch inner div 5; offset (inner mod 5) div 2 +
// (pitch - Thickness) div 2; likewise down with (H - VertSpace) and 7 rows.
struct MatrixSize {
    std::string name;
    int width, height, digits, thickness, horzSpace, vertSpace;
    MatrixGeometry expected;  // cellWidth, originX, originY, pitchX, pitchY, offsetX, offsetY
};

const MatrixSize kTextLine{"TextLine", 321, 20, 24, 2, 2, 2, {13, 5, 1, 2, 2, 0, 2}};
const MatrixSize kStatusWord{"StatusWord", 81, 25, 3, 4, 4, 2, {27, 2, 1, 4, 3, 1, 1}};
const MatrixSize kSixteenLine{"SixteenLine", 321, 25, 16, 4, 4, 2, {20, 2, 1, 3, 3, 0, 1}};
const MatrixSize kWindowStatus{"WindowStatus", 81, 30, 3, 3, 2, 2, {27, 1, 1, 5, 4, 1, 0}};
const MatrixSize kWindowSixteen{"WindowSixteen", 321, 40, 16, 3, 4, 2, {20, 2, 1, 3, 5, 0, 2}};
const MatrixSize kDefaultFive{"DefaultFive", 300, 36, 5, 4, 4, 2, {60, 2, 1, 11, 4, 3, 3}};

CellGeometry layoutOf(const MatrixSize& s) {
    return {s.width, s.height, s.digits, s.thickness, s.horzSpace, s.vertSpace};
}

class MatrixGeometryAtProgramSizes : public ::testing::TestWithParam<MatrixSize> {};

TEST_P(MatrixGeometryAtProgramSizes, MatchesTheHandWorkedLayout) {
    const MatrixGeometry g = matrixGeometry(layoutOf(GetParam()));
    const MatrixGeometry& e = GetParam().expected;
    EXPECT_EQ(g.cellWidth, e.cellWidth);
    EXPECT_EQ(g.originX, e.originX);
    EXPECT_EQ(g.originY, e.originY);
    EXPECT_EQ(g.pitchX, e.pitchX);
    EXPECT_EQ(g.pitchY, e.pitchY);
    EXPECT_EQ(g.offsetX, e.offsetX);
    EXPECT_EQ(g.offsetY, e.offsetY);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MatrixGeometryAtProgramSizes,
                         ::testing::Values(kTextLine, kStatusWord, kSixteenLine, kWindowStatus,
                                           kWindowSixteen, kDefaultFive),
                         [](const auto& info) { return info.param.name; });

std::unique_ptr<TDotMatrix5x7> makeDisplay(const MatrixSize& s, const QString& value,
                                           TDotMatrix5x7::TAlignment alignment) {
    auto display = std::make_unique<TDotMatrix5x7>();
    display->resize(s.width, s.height);
    display->setNumberOfDigits(s.digits);
    display->setThickness(s.thickness);
    display->setHorzSpace(s.horzSpace);
    display->setVertSpace(s.vertSpace);
    display->setColor(0U);
    display->setOnColor(255U);
    display->setOffColor(4210752U);
    display->setAlignment(alignment);
    display->setValue(value);
    return display;
}

// The centre pixel of every dot of a cell, row by row: '1' lit, '0' unlit. The centre is
// the one pixel no neighbouring dot overlaps when the pitch is below the thickness.
std::string cellDots(const QImage& image, const MatrixSize& s, int cell) {
    const MatrixGeometry& g = s.expected;
    std::string out;
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            const int x = g.originX + cell * g.cellWidth + g.offsetX + column * g.pitchX;
            const int y = g.originY + g.offsetY + row * g.pitchY;
            out += inkAt(image, x + s.thickness / 2, y + s.thickness / 2);
        }
    }
    return out;
}

std::string glyphDots(char32_t code) {
    std::string out;
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            out += matrixDotLit(code, row, column) ? '1' : '0';
        }
    }
    return out;
}

struct LineCase {
    std::string name;
    MatrixSize size;
    QString value;
    TDotMatrix5x7::TAlignment alignment;
    std::u32string cells;  // what each cell shows, left to right
};

class MatrixRendering : public ::testing::TestWithParam<LineCase> {};

TEST_P(MatrixRendering, LightsTheDotsOfEachCell) {
    const LineCase& c = GetParam();
    const auto display = makeDisplay(c.size, c.value, c.alignment);
    const QImage image = display->grab().toImage();
    ASSERT_EQ(image.size(), QSize(c.size.width, c.size.height));
    ASSERT_EQ(c.cells.size(), static_cast<std::size_t>(c.size.digits));
    for (int cell = 0; cell < c.size.digits; ++cell) {
        EXPECT_EQ(cellDots(image, c.size, cell), glyphDots(c.cells[static_cast<std::size_t>(cell)]))
            << "cell " << cell + 1;
    }
}

constexpr auto kLeft = TDotMatrix5x7::taLeftJustify;
constexpr auto kRight = TDotMatrix5x7::taRightJustify;
constexpr auto kCenter = TDotMatrix5x7::taCenter;
const QString kThirty = "CONNECTION FAILED  PLEASE TURN";
const std::u32string kFirst24 = U"CONNECTION FAILED  PLEAS";

INSTANTIATE_TEST_SUITE_P(
    Lines, MatrixRendering,
    ::testing::Values(LineCase{"OffInThreeCells", kStatusWord, "OFF", kLeft, U"OFF"},
                      LineCase{"OffOnTheWindow", kWindowStatus, "OFF", kLeft, U"OFF"},
                      LineCase{"LeftAB", kDefaultFive, "AB", kLeft, U"AB   "},
                      LineCase{"RightAB", kDefaultFive, "AB", kRight, U"   AB"},
                      LineCase{"CenterAB", kDefaultFive, "AB", kCenter, U" AB  "},
                      LineCase{"ThirtyLeft", kTextLine, kThirty, kLeft, kFirst24},
                      LineCase{"ThirtyRight", kTextLine, kThirty, kRight, kFirst24},
                      LineCase{"ThirtyCenter", kTextLine, kThirty, kCenter, kFirst24},
                      LineCase{"Prompt", kTextLine, "   SELECT VEHICLE TYPE  ", kLeft,
                               U"   SELECT VEHICLE TYPE  "},
                      LineCase{"Empty", kTextLine, "", kLeft, std::u32string(24, U' ')},
                      LineCase{"NoGlyphs", kSixteenLine,
                               QString::fromUtf16(u"\u00C8 \u4E2D\u007Fx"), kLeft,
                               U"  \u007F\u007Fx           "},
                      LineCase{"ExtraGlyphs", kWindowSixteen,
                               QString::fromUtf16(u"\u0001\u001Babc~"), kRight,
                               U"          \u0001\u001Babc~"}),
    [](const auto& info) { return info.param.name; });

TEST(DotMatrix, CharacterCodedTwoHundredIsAllUnlit) {
    const auto display = makeDisplay(kStatusWord, QString(QChar(200)), kLeft);
    EXPECT_EQ(cellDots(display->toImage(), kStatusWord, 0), std::string(35, '0'));
}

// Spot checks of the font against the glyphs as drawn on paper.
struct ArtCase {
    char32_t code;
    std::array<const char*, 7> rows;
};

class FontArt : public ::testing::TestWithParam<ArtCase> {};

TEST_P(FontArt, MatchesTheDrawing) {
    std::string expected;
    for (const char* row : GetParam().rows) {
        for (const char* p = row; *p != '\0'; ++p) {
            expected += *p == '#' ? '1' : '0';
        }
    }
    EXPECT_EQ(glyphDots(GetParam().code), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Glyphs, FontArt,
    ::testing::Values(
        ArtCase{U'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
        ArtCase{U'F', {"#####", "#    ", "#    ", "###  ", "#    ", "#    ", "#    "}},
        ArtCase{U'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
        ArtCase{U'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
        ArtCase{U'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
        ArtCase{U'~', {"     ", "     ", " #   ", "# # #", "   # ", "     ", "     "}},
        ArtCase{27, {"     ", "  #  ", "   # ", "#####", "   # ", "  #  ", "     "}},
        ArtCase{0, {"   # ", "  ## ", " ### ", "#### ", " ### ", "  ## ", "   # "}},
        ArtCase{U' ', {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
        ArtCase{127, {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
        ArtCase{128, {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
        ArtCase{0xC8, {"     ", "     ", "     ", "     ", "     ", "     ", "     "}}));

TEST(MatrixFont, EveryRowFitsFiveDots) {
    for (const MatrixGlyph& glyph : kMatrixFont) {
        for (const std::uint8_t row : glyph) {
            EXPECT_LE(row, 0x1F);
        }
    }
}

TEST(DotMatrix, CircleDotsLeaveTheCornersDark) {
    // 300x100, two cells, Thickness 8: dots 29 apart from x 12, 14 apart from y 4.
    for (const auto mode : {TDotMatrix5x7::dmRectangle, TDotMatrix5x7::dmCircle}) {
        TDotMatrix5x7 display;
        display.resize(300, 100);
        display.setNumberOfDigits(2);
        display.setThickness(8);
        display.setColor(probe::kBackground);
        display.setOnColor(probe::kOn);
        display.setOffColor(probe::kOff);
        display.setDotMode(mode);
        display.setValue("8");
        const QImage image = display.toImage();
        const bool circle = mode == TDotMatrix5x7::dmCircle;
        EXPECT_EQ(inkAt(image, 41 + 4, 4 + 4), '1');  // row 0, column 1 of "8" is lit
        EXPECT_EQ(inkAt(image, 41, 4), circle ? 'B' : '1');
        EXPECT_EQ(inkAt(image, 12 + 4, 4 + 4), '0');  // row 0, column 0 is not
        EXPECT_EQ(inkAt(image, 12, 4), circle ? 'B' : '0');
    }
}

TEST(DotMatrix, DefaultsAsDesigned) {
    TDotMatrix5x7 display;
    EXPECT_EQ(display.size(), QSize(300, 36));
    EXPECT_EQ(display.value(), "0");
    EXPECT_EQ(display.thickness(), 4);
    EXPECT_EQ(display.dotMode(), TDotMatrix5x7::dmRectangle);
    EXPECT_EQ(display.horzSpace(), 4);
    EXPECT_EQ(display.vertSpace(), 2);
    EXPECT_EQ(display.numberOfDigits(), 12);
    EXPECT_EQ(codeFromColor(display.color()), 0U);
    EXPECT_EQ(codeFromColor(display.onColor()), 255U);
    EXPECT_EQ(codeFromColor(display.offColor()), 4210752U);
    EXPECT_EQ(display.alignment(), TDotMatrix5x7::taLeftJustify);
}

TEST(DotMatrix, ZeroDigitsGiveOneCellAcrossTheWidth) {
    const auto display = makeDisplay(kStatusWord, "AB", kLeft);
    display->setNumberOfDigits(0);
    EXPECT_EQ(display->numberOfDigits(), 1);
    display->setNumberOfDigits(-7);
    EXPECT_EQ(display->numberOfDigits(), 1);
    // One 81-pixel cell: inner 77, pitch 15, offset 1 + 5; rows as before.
    const MatrixSize single{"Single", 81, 25, 1, 4, 4, 2, {81, 2, 1, 15, 3, 6, 1}};
    EXPECT_EQ(cellDots(display->toImage(), single, 0), glyphDots(U'A'));
}

TEST(DotMatrix, PropertiesAreReachableByName) {
    TDotMatrix5x7 display;
    EXPECT_TRUE(display.setProperty("Value", QString("READY")));
    EXPECT_TRUE(display.setProperty("Alignment", int(TDotMatrix5x7::taCenter)));
    EXPECT_TRUE(display.setProperty("DotMode", int(TDotMatrix5x7::dmCircle)));
    EXPECT_TRUE(display.setProperty("OffColor", QColor(1, 2, 3)));
    EXPECT_EQ(display.value(), "READY");
    EXPECT_EQ(display.alignment(), TDotMatrix5x7::taCenter);
    EXPECT_EQ(display.dotMode(), TDotMatrix5x7::dmCircle);
    EXPECT_EQ(display.offColor(), QColor(1, 2, 3));
}

}  // namespace
}  // namespace tvx::widgets
