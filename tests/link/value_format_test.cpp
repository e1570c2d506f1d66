#include <gtest/gtest.h>

#include "link/requests.h"

namespace {

struct FormatCase {
    double value;
    int width;
    int decimals;
    const char* text;
};

class FormatValueTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatValueTest, RoundsAndRightAlignsWithoutCutting) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(tvx::link::FormatValue(c.value, c.width, c.decimals), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormatValueTest,
    testing::Values(FormatCase{-40, 4, 0, " -40"}, FormatCase{100, 4, 0, " 100"},
                    FormatCase{799.75, 4, 0, " 800"}, FormatCase{2.5, 4, 0, "   3"},
                    FormatCase{-2.5, 4, 0, "  -3"}, FormatCase{-0.4, 4, 0, "   0"},
                    FormatCase{14.125, 4, 2, "14.13"}, FormatCase{1.0, 4, 3, "1.000"},
                    FormatCase{12345.6, 4, 0, "12346"}, FormatCase{234567, 7, 1, "234567.0"},
                    FormatCase{0.05, 4, 1, " 0.1"}, FormatCase{511, 3, 0, "511"}));

}  // namespace
