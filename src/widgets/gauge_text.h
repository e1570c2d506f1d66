#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvx::widgets {

// Building the text a seven-segment gauge shows. Numbers are written with "." as decimal
// separator, which is the character the gauge lays out as a point between cells.

// Reads a floating-point number: optional spaces, sign, digits with an optional "." and
// fraction, optional exponent. Anything else, including infinities and NaN, is no number.
std::optional<double> parseGaugeNumber(std::u32string_view text);

// The general float-to-text conversion: up to 15 significant digits, trailing zeros and a
// bare point dropped, fixed notation unless the number is 1E15 or more or below 1E-4 in
// magnitude, otherwise "1.5E20" / "1E-7" style.
std::string floatToText(double x);

// Formats x with a picture of "0" (digit always shown) and "#" (digit shown if not a
// trailing zero) placeholders and at most one "." (e.g. "0000.####", "000.0", "0.00").
// Rounds half away from zero at the last decimal place of the picture; a result that
// rounds to zero carries no minus sign. Numbers of 1E18 and more fall back to floatToText.
std::string formatFloatPicture(double x, std::string_view picture);

// The picture a numeric gauge uses, or empty when the general conversion applies.
std::string gaugePicture(int numberOfDigits, int numberOfDecimals, bool leadingZeros);

struct GaugeTextOptions {
    int numberOfDigits = 6;
    bool alphaNumeric = false;
    bool showPlusMinus = false;
    bool leadingZeros = false;
    int numberOfDecimals = 0;
};

struct GaugeText {
    std::u32string text;    // what the cells show, right-aligned by the layout
    bool negative = false;  // numeric value below zero (drives the plus/minus indicator)
    bool isNumber = true;   // false: a numeric gauge was given something that is no number
};

// Alphanumeric: the value right-justified (space padded) to the digit count, never cut.
// Numeric: the value as a number, formatted; a value that is no number gives an empty
// text (blank cells) and isNumber false.
GaugeText buildGaugeText(std::u32string_view value, const GaugeTextOptions& options);

}  // namespace tvx::widgets
