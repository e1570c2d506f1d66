// Round dots of the dot-matrix display, and ellipses in general: each is the ellipse
// inscribed in its box, drawn as the pixels whose centres lie inside it.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "probe.h"
#include "widgets/dot_matrix.h"
#include "widgets/shape_painter.h"

namespace tvx::widgets {
namespace {

using probe::inkAt;

// The pixels of a box with a one-pixel frame around it, row by row: '#' the shape's ink,
// '.' background.
std::string drawing(const QImage& image, int left, int top, int width, int height, char ink) {
    std::string out;
    for (int y = top - 1; y <= top + height; ++y) {
        for (int x = left - 1; x <= left + width; ++x) {
            const char found = inkAt(image, x, y);
            out += found == ink ? '#' : found == 'B' ? '.' : found;
        }
        out += '\n';
    }
    return out;
}

std::string joined(const std::vector<const char*>& rows) {
    std::string out;
    for (const char* row : rows) {
        out += row;
        out += '\n';
    }
    return out;
}

// A 300x100 display of two cells (HorzSpace 4, VertSpace 2) showing "8": dots 29 pixels
// apart across, 14 down. Row 0 of "8" is unlit, lit, lit, lit, unlit; the dot in column 0
// starts at x = 2 + (29 - T) div 2, y = 1 + (14 - T) div 2, the one in column 1 29 further.
struct RoundDot {
    int thickness;
    int left;
    int top;
    std::vector<const char*> art;  // the dot in its frame
};

void PrintTo(const RoundDot& dot, std::ostream* out) {
    *out << "Thickness " << dot.thickness;
}

class RoundDots : public ::testing::TestWithParam<RoundDot> {};

TEST_P(RoundDots, FillTheCircleInscribedInTheirSquare) {
    const RoundDot& dot = GetParam();
    TDotMatrix5x7 display;
    display.resize(300, 100);
    display.setNumberOfDigits(2);
    display.setThickness(dot.thickness);
    display.setColor(probe::kBackground);
    display.setOnColor(probe::kOn);
    display.setOffColor(probe::kOff);
    display.setDotMode(TDotMatrix5x7::dmCircle);
    display.setValue("8");
    const QImage image = display.grab().toImage();
    const int t = dot.thickness;
    EXPECT_EQ(drawing(image, dot.left, dot.top, t, t, '0'), joined(dot.art)) << "unlit dot";
    EXPECT_EQ(drawing(image, dot.left + 29, dot.top, t, t, '1'), joined(dot.art)) << "lit dot";
}

// Up to Thickness 3 the circle covers every pixel centre of its square (a corner pixel's
// centre lies 0.71 T/3 from the middle); from 4 on the corners stay dark.
INSTANTIATE_TEST_SUITE_P(
    Thickness, RoundDots,
    ::testing::Values(
        RoundDot{1, 16, 7, {"...", ".#.", "..."}},
        RoundDot{2, 15, 7, {"....", ".##.", ".##.", "...."}},
        RoundDot{3, 15, 6, {".....", ".###.", ".###.", ".###.", "....."}},
        RoundDot{4, 14, 6, {"......", "..##..", ".####.", ".####.", "..##..", "......"}},
        RoundDot{5,
                 14,
                 5,
                 {".......", "..###..", ".#####.", ".#####.", ".#####.", "..###..", "......."}},
        RoundDot{6,
                 13,
                 5,
                 {"........", "..####..", ".######.", ".######.", ".######.", ".######.",
                  "..####..", "........"}}),
    [](const auto& info) { return "T" + std::to_string(info.param.thickness); });

// An ellipse that is not round keeps its axes: wide stays wide, tall stays tall.
TEST(Ellipse, WideAndTallBoxesGiveTheirOwnEllipse) {
    const Inks inks{probe::kBackground, probe::kOn, probe::kOff};
    const QImage wide = paintPlan(QSize(12, 12), {Shape::ellipse(Ink::On, 2, 3, 9, 6)}, inks);
    EXPECT_EQ(drawing(wide, 2, 3, 7, 3, '1'),
              joined({".........", "..#####..", ".#######.", "..#####..", "........."}));
    const QImage tall = paintPlan(QSize(12, 12), {Shape::ellipse(Ink::Off, 3, 2, 6, 9)}, inks);
    EXPECT_EQ(drawing(tall, 3, 2, 3, 7, '0'), joined({".....", "..#..", ".###.", ".###.", ".###.",
                                                      ".###.", ".###.", "..#..", "....."}));
}

TEST(Ellipse, PartlyOutsideTheImageDrawsItsVisiblePart) {
    const Inks inks{probe::kBackground, probe::kOn, probe::kOff};
    // A circle of 8 centred on the top-left corner: only its lower-right quarter shows.
    const QImage image = paintPlan(QSize(6, 6), {Shape::ellipse(Ink::On, -4, -4, 4, 4)}, inks);
    EXPECT_EQ(drawing(image, 0, 0, 6, 6, '1'),
              joined({"????????", "?####..?", "?####..?", "?###...?", "?##....?", "?......?",
                      "?......?", "????????"}));
}

TEST(Ellipse, DotFarLargerThanTheDisplayStillCoversIt) {
    TDotMatrix5x7 display;
    display.resize(81, 25);
    display.setNumberOfDigits(3);
    display.setColor(probe::kBackground);
    display.setOnColor(probe::kOn);
    display.setOffColor(probe::kOff);
    display.setDotMode(TDotMatrix5x7::dmCircle);
    display.setThickness(100000);
    display.setValue("   ");
    const QImage image = display.toImage();
    ASSERT_EQ(image.size(), QSize(81, 25));
    // Every dot is unlit and each one's circle spans the whole control.
    for (const auto& [x, y] : std::array<std::pair<int, int>, 3>{{{0, 0}, {40, 12}, {80, 24}}}) {
        EXPECT_EQ(inkAt(image, x, y), '0') << x << "," << y;
    }
}

}  // namespace
}  // namespace tvx::widgets
