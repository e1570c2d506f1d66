#include "widgets/seven_segment.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <string>
#include <vector>

#include "probe.h"
#include "widgets/color_code.h"
#include "widgets/segment_font.h"

namespace tvx::widgets {
namespace {

using probe::inkAt;

// The gauges on the live-data pages: Thickness 2, Space 1, HorzSpace 8, VertSpace 6, in
// 81x25 (four digits) or 129x25 (six digits). Cells are W div N wide, centred; the digit
// row runs from VertSpace div 2 = 3 to H - 3 = 22, its middle at 12.
struct GaugeSize {
    int width;
    int digits;
    int cellWidth;  // W div N
    int firstLeft;  // (W - N * cellWidth) div 2
};
constexpr GaugeSize kFourDigits{81, 4, 20, 0};
constexpr GaugeSize kSixDigits{129, 6, 21, 1};
constexpr int kTop = 3;
constexpr int kBottom = 22;
constexpr int kMiddle = 12;
constexpr int kColonLine = 11;  // bottom div 2

std::unique_ptr<TSevenSegment> makeGauge(const GaugeSize& size, const QString& value,
                                         TSevenSegment::TValueType type) {
    auto gauge = std::make_unique<TSevenSegment>();
    gauge->resize(size.width, 25);
    gauge->setThickness(2);
    gauge->setSpace(1);
    gauge->setHorzSpace(8);
    gauge->setVertSpace(6);
    gauge->setColor(0U);
    gauge->setOnColor(255U);
    gauge->setOffColor(4210752U);
    gauge->setNumberOfDigits(size.digits);
    gauge->setValueType(type);
    gauge->setValue(value);
    return gauge;
}

// A pixel inside each segment a..g of the cell whose left edge is `left` (HorzSpace 8
// leaves 4 pixels of margin on each side).
std::string segmentsAt(const QImage& image, int left, int cellWidth) {
    const int l = left + 4;
    const int r = left + cellWidth - 4;
    const int cx = (l + r) / 2;
    const int upper = (kTop + kMiddle) / 2;
    const int lower = (kMiddle + kBottom) / 2;
    const int probes[7][2] = {{cx, kTop + 1}, {r - 1, upper}, {r - 1, lower}, {cx, kBottom - 1},
                              {l, lower},     {l, upper},     {cx, kMiddle}};
    std::string out;
    for (const auto& p : probes) {
        out += inkAt(image, p[0], p[1]);
    }
    return out;
}

// What each cell shows: the glyph a character would light, as "1"/"0" per segment a..g.
std::string segmentsOfChar(char32_t ch) {
    const std::uint8_t bits = segmentsOf(glyphCodeFor(ch));
    std::string out;
    for (int s = 0; s < 7; ++s) {
        out += ((bits >> s) & 1U) != 0 ? '1' : '0';
    }
    return out;
}

// The decimal point in the gap left of the cell at `left`: 3 pixels wide, 2 high.
char pointAt(const QImage& image, int left) {
    return inkAt(image, left, kBottom - 1);
}

struct GaugeCase {
    std::string name;
    GaugeSize size;
    QString value;
    TSevenSegment::TValueType type;
    std::u32string cells;  // what each cell shows, left to right
    std::string points;    // the point left of cells 2..N, then at the right edge
    std::string colons;    // the colon left of cells 2..N, then at the right edge ('1' or 'B')
};

class GaugeRendering : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(GaugeRendering, ShowsCellsPointsAndColons) {
    const GaugeCase& c = GetParam();
    const auto gauge = makeGauge(c.size, c.value, c.type);
    const QImage image = gauge->grab().toImage();
    ASSERT_EQ(image.size(), QSize(c.size.width, 25));
    for (int i = 0; i < c.size.digits; ++i) {
        const int left = c.size.firstLeft + i * c.size.cellWidth;
        EXPECT_EQ(segmentsAt(image, left, c.size.cellWidth),
                  segmentsOfChar(c.cells[static_cast<std::size_t>(i)]))
            << "cell " << i + 1;
    }
    for (int i = 1; i <= c.size.digits; ++i) {
        const int left = c.size.firstLeft + i * c.size.cellWidth;
        EXPECT_EQ(pointAt(image, left), c.points[static_cast<std::size_t>(i - 1)])
            << "point before cell " << i + 1;
        const std::string colon{inkAt(image, left, kColonLine - 5),
                                inkAt(image, left, kColonLine + 5)};
        const char expected = c.colons[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(colon, std::string(2, expected)) << "colon before cell " << i + 1;
    }
    // Nothing is drawn in the first cell's left margin.
    EXPECT_EQ(pointAt(image, c.size.firstLeft + 1), 'B');
}

constexpr auto kNumeric = TSevenSegment::ssNumeric;
constexpr auto kAlpha = TSevenSegment::ssAlphaNumeric;

INSTANTIATE_TEST_SUITE_P(
    ProgramSizes, GaugeRendering,
    ::testing::Values(
        // Points: '1' lit, '0' unlit (numeric), 'B' invisible (text gauges or none drawn).
        GaugeCase{"ZeroInSixDigits", kSixDigits, "0", kNumeric, U"     0", "00000B", "BBBBBB"},
        GaugeCase{"TextWithPoint", kFourDigits, "12.5", kAlpha, U" 125", "BB1B", "BBBB"},
        GaugeCase{"NumberWithPoint", kFourDigits, "12.5", kNumeric, U" 125", "001B", "BBBB"},
        GaugeCase{"Time", kFourDigits, "12:30", kAlpha, U"1230", "BBBB", "B1BB"},
        GaugeCase{"TrailingPoint", kFourDigits, "12.", kAlpha, U"  12", "BBB1", "BBBB"},
        GaugeCase{"TrailingColon", kSixDigits, "123456:", kAlpha, U"123456", "BBBBBB", "BBBBB1"},
        GaugeCase{"LongTextLosesItsLeft", kFourDigits, "123456", kAlpha, U"3456", "BBBB", "BBBB"},
        GaugeCase{"Letters", kSixDigits, "Off mn", kAlpha, U"Off mn", "BBBBBB", "BBBBBB"},
        GaugeCase{"NegativeNumber", kFourDigits, "-12", kNumeric, U" -12", "000B", "BBBB"},
        GaugeCase{"TimeIsNoNumber", kFourDigits, "12:30", kNumeric, U"    ", "000B", "BBBB"},
        GaugeCase{"TextIsNoNumber", kSixDigits, "OFF", kNumeric, U"      ", "00000B", "BBBBBB"},
        GaugeCase{"EmptyIsNoNumber", kFourDigits, "", kNumeric, U"    ", "000B", "BBBB"}),
    [](const auto& info) { return info.param.name; });

TEST(SevenSegment, LeadingZerosWithOneDecimal) {
    const auto gauge = makeGauge(kFourDigits, "7.3", kNumeric);
    gauge->setLeadingZeros(true);
    gauge->setNumberOfDecimals(1);
    const QImage image = gauge->toImage();
    const char32_t cells[] = {U'0', U'0', U'7', U'3'};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(segmentsAt(image, i * 20, 20), segmentsOfChar(cells[i])) << "cell " << i + 1;
    }
    EXPECT_EQ(pointAt(image, 20), '0');
    EXPECT_EQ(pointAt(image, 40), '0');
    EXPECT_EQ(pointAt(image, 60), '1');
}

struct PointRule {
    int thickness;
    int horzSpace;
    bool drawn;
};

class PointSuppression : public ::testing::TestWithParam<PointRule> {};

// A stroke as thick as the margin between cells leaves no room for points, lit or unlit.
TEST_P(PointSuppression, ThicknessNotBelowHorzSpaceHidesEveryPoint) {
    const PointRule& r = GetParam();
    const auto gauge = makeGauge(kFourDigits, "12.5", kNumeric);
    gauge->setThickness(r.thickness);
    gauge->setHorzSpace(r.horzSpace);
    const QImage image = gauge->toImage();
    EXPECT_EQ(pointAt(image, 20), r.drawn ? '0' : 'B');
    EXPECT_EQ(pointAt(image, 60), r.drawn ? '1' : 'B');
}

INSTANTIATE_TEST_SUITE_P(Rules, PointSuppression,
                         ::testing::Values(PointRule{2, 8, true}, PointRule{3, 4, true},
                                           PointRule{4, 4, false}, PointRule{8, 4, false}));

TEST(SevenSegment, ShowDecimalPointOffHidesPoints) {
    const auto gauge = makeGauge(kFourDigits, "12.5", kNumeric);
    gauge->setShowDecimalPoint(false);
    const QImage image = gauge->toImage();
    EXPECT_EQ(pointAt(image, 20), 'B');
    EXPECT_EQ(pointAt(image, 60), 'B');
    EXPECT_EQ(segmentsAt(image, 60, 20), segmentsOfChar(U'5'));
}

struct SignCase {
    QString value;
    char plus;       // both bars of the plus
    char minus;      // the bar below it
    char lastDigit;  // top and middle segments of the last cell
};

class PlusMinus : public ::testing::TestWithParam<SignCase> {};

// Default 200x50 gauge, six digits plus the sign cell: cells 200 div 7 = 28 wide from x 2;
// the sign is 28 pixels with its centre at (16, 17), the minus bar centred 28 lower.
TEST_P(PlusMinus, LightsPlusOrMinusAndShowsTheMagnitude) {
    TSevenSegment gauge;
    gauge.setColor(probe::kBackground);
    gauge.setOnColor(probe::kOn);
    gauge.setOffColor(probe::kOff);
    gauge.setShowPlusMinus(true);
    gauge.setValue(GetParam().value);
    const QImage image = gauge.toImage();
    EXPECT_EQ(inkAt(image, 16, 6), GetParam().plus);   // vertical bar
    EXPECT_EQ(inkAt(image, 4, 17), GetParam().plus);   // horizontal bar
    EXPECT_EQ(inkAt(image, 4, 45), GetParam().minus);  // bar below
    // The magnitude only: the last cell, from x 2 + 6*28 = 170, shows 5 (top and middle lit).
    EXPECT_EQ(inkAt(image, 170 + 14, 5), GetParam().lastDigit);
    EXPECT_EQ(inkAt(image, 170 + 14, 25), GetParam().lastDigit);
    // No minus glyph in the cell before it.
    EXPECT_EQ(inkAt(image, 142 + 14, 25), '0');
}

INSTANTIATE_TEST_SUITE_P(Signs, PlusMinus,
                         ::testing::Values(SignCase{"5", '1', '0', '1'},
                                           SignCase{"-5", '0', '1', '1'},
                                           SignCase{"five", '0', '0', '0'}));

TEST(SevenSegment, TextGaugesHaveNoSignCell) {
    TSevenSegment gauge;
    gauge.setColor(probe::kBackground);
    gauge.setOnColor(probe::kOn);
    gauge.setOffColor(probe::kOff);
    gauge.setShowPlusMinus(true);
    gauge.setValueType(TSevenSegment::ssAlphaNumeric);
    gauge.setValue("-5");
    const QImage image = gauge.toImage();
    // Six cells of 200 div 6 = 33 from x 1: the first is a blank glyph, not a plus sign
    // (whose bar would cross the cell's empty middle).
    EXPECT_EQ(inkAt(image, 15, 17), 'B');
    EXPECT_EQ(inkAt(image, 1 + 4, 17), '0');  // upper left segment of the first cell, unlit
    // The minus sits in cell 5, its middle segment lit.
    EXPECT_EQ(inkAt(image, 1 + 4 * 33 + 16, 25), '1');
}

TEST(SevenSegment, DefaultsAsDesigned) {
    TSevenSegment gauge;
    EXPECT_EQ(gauge.size(), QSize(200, 50));
    EXPECT_EQ(gauge.value(), "0");
    EXPECT_EQ(gauge.thickness(), 5);
    EXPECT_EQ(gauge.space(), 2);
    EXPECT_EQ(gauge.horzSpace(), 8);
    EXPECT_EQ(gauge.vertSpace(), 6);
    EXPECT_EQ(codeFromColor(gauge.color()), 0U);
    EXPECT_EQ(codeFromColor(gauge.onColor()), 255U);
    EXPECT_EQ(codeFromColor(gauge.offColor()), 4210752U);
    EXPECT_EQ(gauge.numberOfDigits(), 6);
    EXPECT_EQ(gauge.numberOfDecimals(), 0);
    EXPECT_TRUE(gauge.showDecimalPoint());
    EXPECT_FALSE(gauge.showPlusMinus());
    EXPECT_FALSE(gauge.leadingZeros());
    EXPECT_EQ(gauge.valueType(), TSevenSegment::ssNumeric);
}

class DigitCount : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(DigitCount, IsAtLeastOne) {
    TSevenSegment gauge;
    gauge.setNumberOfDigits(GetParam().first);
    EXPECT_EQ(gauge.numberOfDigits(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Counts, DigitCount,
                         ::testing::Values(std::pair{0, 1}, std::pair{-4, 1}, std::pair{1, 1},
                                           std::pair{8, 8}));

TEST(SevenSegment, SingleCellAfterZeroDigitsFillsTheWidth) {
    const auto gauge = makeGauge(kFourDigits, "8", kAlpha);
    gauge->setNumberOfDigits(0);
    const QImage image = gauge->toImage();
    EXPECT_EQ(segmentsAt(image, 0, 81), segmentsOfChar(U'8'));
}

TEST(SevenSegment, PropertiesAreReachableByName) {
    TSevenSegment gauge;
    EXPECT_TRUE(gauge.setProperty("Value", QString("12")));
    EXPECT_TRUE(gauge.setProperty("NumberOfDigits", 4));
    EXPECT_TRUE(gauge.setProperty("ValueType", int(TSevenSegment::ssAlphaNumeric)));
    EXPECT_TRUE(gauge.setProperty("OnColor", QColor(0, 255, 255)));
    EXPECT_EQ(gauge.value(), "12");
    EXPECT_EQ(gauge.numberOfDigits(), 4);
    EXPECT_EQ(gauge.valueType(), TSevenSegment::ssAlphaNumeric);
    EXPECT_EQ(codeFromColor(gauge.onColor()), 0xFFFF00U);
}

TEST(SevenSegment, OverlongTextAndCellCountsStayWithinTheByteLimits) {
    const auto gauge = makeGauge(kFourDigits, QString(400, '8') + "12", kAlpha);
    gauge->setNumberOfDigits(300);
    const QImage image = gauge->toImage();
    EXPECT_EQ(image.size(), QSize(81, 25));
    gauge->setNumberOfDigits(4);
    const QImage four = gauge->toImage();
    EXPECT_EQ(segmentsAt(four, 40, 20), segmentsOfChar(U'1'));
    EXPECT_EQ(segmentsAt(four, 60, 20), segmentsOfChar(U'2'));
}

struct ColourCase {
    std::uint32_t code;
    QColor colour;
};

class ColourCode : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourCode, ReadsBlueGreenRed) {
    EXPECT_EQ(colorFromCode(GetParam().code), GetParam().colour);
    EXPECT_EQ(codeFromColor(GetParam().colour), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Codes, ColourCode,
                         ::testing::Values(ColourCase{0, QColor(0, 0, 0)},
                                           ColourCase{255, QColor(255, 0, 0)},
                                           ColourCase{65280, QColor(0, 255, 0)},
                                           ColourCase{65535, QColor(255, 255, 0)},
                                           ColourCase{4210752, QColor(64, 64, 64)},
                                           ColourCase{0xFF0000, QColor(0, 0, 255)}));

TEST(ColourCode, SystemColoursFollowThePalette) {
    EXPECT_EQ(colorFromCode(0xFF000008U), QGuiApplication::palette().color(QPalette::WindowText));
    EXPECT_EQ(colorFromCode(0xFF000012U), QGuiApplication::palette().color(QPalette::ButtonText));
}

TEST(ColourSetters, AcceptCodesGlobalColoursAndQColors) {
    TSevenSegment gauge;
    gauge.setOnColor(65280U);
    EXPECT_EQ(gauge.onColor(), QColor(0, 255, 0));
    gauge.setOnColor(255);
    EXPECT_EQ(gauge.onColor(), QColor(255, 0, 0));
    gauge.setOnColor(Qt::yellow);
    EXPECT_EQ(gauge.onColor(), QColor(Qt::yellow));
    gauge.setOnColor(QColor(1, 2, 3));
    EXPECT_EQ(gauge.onColor(), QColor(1, 2, 3));
}

}  // namespace
}  // namespace tvx::widgets
