#include "widgets/gauge_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tvx::widgets {
namespace {

std::u32string u32(std::string_view s) {
    return std::u32string(s.begin(), s.end());
}

struct ParseCase {
    std::u32string text;
    std::optional<double> expected;
};

class ParseGaugeNumber : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseGaugeNumber, AcceptsPlainNumbersOnly) {
    const ParseCase& c = GetParam();
    const std::optional<double> got = parseGaugeNumber(c.text);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (c.expected) {
        EXPECT_DOUBLE_EQ(*got, *c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseGaugeNumber,
    ::testing::Values(ParseCase{U"12.5", 12.5}, ParseCase{U" 7 ", 7.0}, ParseCase{U"+3", 3.0},
                      ParseCase{U"-0.5", -0.5}, ParseCase{U"1e3", 1000.0},
                      ParseCase{U"2.5E-1", 0.25}, ParseCase{U".5", 0.5}, ParseCase{U"5.", 5.0},
                      ParseCase{U"", std::nullopt}, ParseCase{U"  ", std::nullopt},
                      ParseCase{U"12:30", std::nullopt}, ParseCase{U"OFF", std::nullopt},
                      ParseCase{U"1,5", std::nullopt}, ParseCase{U"1e", std::nullopt},
                      ParseCase{U"--1", std::nullopt}, ParseCase{U".", std::nullopt},
                      ParseCase{U"inf", std::nullopt}, ParseCase{U"nan", std::nullopt},
                      ParseCase{U"1e999", std::nullopt}, ParseCase{U"\u0661", std::nullopt}));

struct TextCase {
    double x;
    std::string expected;
};

class FloatToText : public ::testing::TestWithParam<TextCase> {};

TEST_P(FloatToText, WritesTheShortestGeneralForm) {
    EXPECT_EQ(floatToText(GetParam().x), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FloatToText,
    ::testing::Values(TextCase{0.0, "0"}, TextCase{-0.0, "0"}, TextCase{12.5, "12.5"},
                      TextCase{-7.0, "-7"}, TextCase{0.1 + 0.2, "0.3"},
                      TextCase{1.0 / 3.0, "0.333333333333333"},
                      TextCase{2.0 / 3.0, "0.666666666666667"}, TextCase{123456.789, "123456.789"},
                      TextCase{999999999999999.0, "999999999999999"}, TextCase{1e15, "1E15"},
                      TextCase{1.5e20, "1.5E20"}, TextCase{-2.5e-7, "-2.5E-7"},
                      TextCase{0.0001, "0.0001"}, TextCase{0.00012, "0.00012"},
                      TextCase{0.00001, "1E-5"}, TextCase{0.00009, "9E-5"}));

struct PictureCase {
    double x;
    std::string picture;
    std::string expected;
};

class FormatFloatPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(FormatFloatPicture, FillsThePlaceholders) {
    const PictureCase& c = GetParam();
    EXPECT_EQ(formatFloatPicture(c.x, c.picture), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FormatFloatPicture,
    ::testing::Values(PictureCase{7.3, "000.0", "007.3"}, PictureCase{7.0, "0000.####", "0007"},
                      PictureCase{12.34567, "0000.####", "0012.3457"},
                      PictureCase{12345.0, "0000.####", "12345"},
                      PictureCase{-7.0, "0000.####", "-0007"}, PictureCase{2.675, "0.00", "2.68"},
                      PictureCase{0.125, "0.00", "0.13"}, PictureCase{-7.25, "0.0", "-7.3"},
                      PictureCase{99.96, "0.0", "100.0"}, PictureCase{-0.001, "0.00", "0.00"},
                      PictureCase{0.5, ".00", ".50"}, PictureCase{0.0, "000.0", "000.0"},
                      PictureCase{1e20, "0.0", "1E20"}));

struct PictureRule {
    int digits;
    int decimals;
    bool leadingZeros;
    std::string expected;
};

class GaugePicture : public ::testing::TestWithParam<PictureRule> {};

TEST_P(GaugePicture, FollowsDigitsDecimalsAndLeadingZeros) {
    const PictureRule& r = GetParam();
    EXPECT_EQ(gaugePicture(r.digits, r.decimals, r.leadingZeros), r.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GaugePicture,
    ::testing::Values(PictureRule{4, 0, true, "0000.####"}, PictureRule{4, 1, true, "000.0"},
                      PictureRule{6, 2, true, "0000.00"}, PictureRule{4, 2, false, "0.00"},
                      PictureRule{4, 0, false, ""}, PictureRule{4, -1, true, ""},
                      PictureRule{4, 4, true, ".0000"}, PictureRule{4, 6, true, ".000000"}));

struct BuildCase {
    std::string value;
    GaugeTextOptions options;
    std::string expected;
    bool negative;
    bool isNumber;
};

class BuildGaugeText : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildGaugeText, GivesTheCellText) {
    const BuildCase& c = GetParam();
    const GaugeText text = buildGaugeText(u32(c.value), c.options);
    EXPECT_EQ(text.text, u32(c.expected));
    EXPECT_EQ(text.negative, c.negative);
    EXPECT_EQ(text.isNumber, c.isNumber);
}

constexpr GaugeTextOptions kAlpha4{4, true, false, false, 0};
constexpr GaugeTextOptions kNumeric4{4, false, false, false, 0};

INSTANTIATE_TEST_SUITE_P(
    Values, BuildGaugeText,
    ::testing::Values(BuildCase{"12.", kAlpha4, " 12.", false, true},
                      BuildCase{"12345", kAlpha4, "12345", false, true},
                      BuildCase{"", kAlpha4, "    ", false, true},
                      BuildCase{"-5", kAlpha4, "  -5", false, true},
                      BuildCase{"0", kNumeric4, "0", false, true},
                      BuildCase{" 12.50", kNumeric4, "12.5", false, true},
                      BuildCase{"-5", kNumeric4, "-5", true, true},
                      BuildCase{"-5", {4, false, true, false, 0}, "5", true, true},
                      BuildCase{"7.3", {4, false, false, true, 1}, "007.3", false, true},
                      BuildCase{"7", {4, false, false, true, 0}, "0007", false, true},
                      BuildCase{"3.14159", {4, false, false, false, 2}, "3.14", false, true},
                      BuildCase{"12:30", kNumeric4, "", false, false},
                      BuildCase{"OFF", kNumeric4, "", false, false},
                      BuildCase{"", kNumeric4, "", false, false}));

TEST(BuildGaugeText, HugeDigitAndDecimalCountsStayBounded) {
    const GaugeText text = buildGaugeText(U"1", {1'000'000'000, false, false, true, 2'000'000'000});
    EXPECT_TRUE(text.isNumber);
    EXPECT_LE(text.text.size(), 600U);
}

}  // namespace
}  // namespace tvx::widgets
