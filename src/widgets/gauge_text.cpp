#include "widgets/gauge_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tvx::widgets {

namespace {

// The gauge never lays out more than this many cells or characters.
constexpr int kMaxGaugeChars = 255;

// Significant digits of the general conversion.
constexpr int kGeneralPrecision = 15;

// A non-negative decimal number 0.DIGITS x 10^pointPos; no digits means zero.
struct Decimal {
    std::string digits;
    int pointPos = 0;
};

void stripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

// The shortest decimal digits that read back as |x|.
Decimal toDecimal(double x) {
    Decimal d;
    if (x == 0.0) {
        return d;
    }
    char buf[64];
    const auto result =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(result.ptr - buf));
    const std::size_t e = text.find('e');
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            d.digits.push_back(c);
        }
    }
    int exponent = 0;
    const std::string_view exp = text.substr(e + 1);
    std::from_chars(exp.data() + (exp.front() == '+' ? 1 : 0), exp.data() + exp.size(), exponent);
    d.pointPos = exponent + 1;
    stripTrailingZeros(d);
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the next one.
void roundToDigits(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        }
    }
    stripTrailingZeros(d);
}

std::string zeros(int count) {
    return std::string(static_cast<std::size_t>(std::max(count, 0)), '0');
}

// Digits before the point (empty for numbers below one).
std::string integerDigits(const Decimal& d) {
    if (d.pointPos <= 0) {
        return {};
    }
    const auto n = static_cast<std::size_t>(d.pointPos);
    return d.digits.size() >= n ? d.digits.substr(0, n)
                                : d.digits + zeros(d.pointPos - static_cast<int>(d.digits.size()));
}

// Digits after the point, without trailing zeros.
std::string fractionDigits(const Decimal& d) {
    if (d.pointPos >= static_cast<int>(d.digits.size())) {
        return {};
    }
    if (d.pointPos >= 0) {
        return d.digits.substr(static_cast<std::size_t>(d.pointPos));
    }
    return zeros(-d.pointPos) + d.digits;
}

}  // namespace

std::optional<double> parseGaugeNumber(std::u32string_view text) {
    const auto isSpace = [](char32_t c) { return c == U' ' || c == U'\t'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    std::string ascii;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : U'\0'; };
    const auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    if (at(i) == U'-') {
        ascii.push_back('-');
        ++i;
    } else if (at(i) == U'+') {
        ++i;
    }
    int mantissaDigits = 0;
    while (isDigit(at(i))) {
        ascii.push_back(static_cast<char>(text[i++]));
        ++mantissaDigits;
    }
    if (at(i) == U'.') {
        ascii.push_back('.');
        ++i;
        while (isDigit(at(i))) {
            ascii.push_back(static_cast<char>(text[i++]));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (at(i) == U'e' || at(i) == U'E') {
        ascii.push_back('e');
        ++i;
        if (at(i) == U'-' || at(i) == U'+') {
            ascii.push_back(static_cast<char>(text[i++]));
        }
        if (!isDigit(at(i))) {
            return std::nullopt;
        }
        while (isDigit(at(i))) {
            ascii.push_back(static_cast<char>(text[i++]));
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string floatToText(double x) {
    Decimal d = toDecimal(x);
    roundToDigits(d, kGeneralPrecision);
    if (d.digits.empty()) {
        return "0";
    }
    std::string text = x < 0 ? "-" : "";
    if (d.pointPos <= kGeneralPrecision && d.pointPos >= -3) {
        const std::string whole = integerDigits(d);
        const std::string fraction = fractionDigits(d);
        text += whole.empty() ? "0" : whole;
        if (!fraction.empty()) {
            text += '.';
            text += fraction;
        }
        return text;
    }
    text += d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        text += '.';
        text.append(d.digits, 1);
    }
    return text + "E" + std::to_string(d.pointPos - 1);
}

std::string formatFloatPicture(double x, std::string_view picture) {
    if (std::fabs(x) >= 1e18) {
        return floatToText(x);
    }
    const std::size_t point = picture.find('.');
    const std::string_view before = picture.substr(0, point);
    const std::string_view after =
        point == std::string_view::npos ? std::string_view() : picture.substr(point + 1);
    const int minWhole = static_cast<int>(std::count(before.begin(), before.end(), '0'));
    int maxFraction = 0;
    int minFraction = 0;
    for (const char c : after) {
        if (c == '0' || c == '#') {
            ++maxFraction;
            if (c == '0') {
                minFraction = maxFraction;
            }
        }
    }

    Decimal d = toDecimal(x);
    roundToDigits(d, d.pointPos + maxFraction);
    std::string whole = integerDigits(d);
    std::string fraction = fractionDigits(d);
    if (static_cast<int>(whole.size()) < minWhole) {
        whole.insert(0, zeros(minWhole - static_cast<int>(whole.size())));
    }
    if (static_cast<int>(fraction.size()) < minFraction) {
        fraction += zeros(minFraction - static_cast<int>(fraction.size()));
    }
    std::string text = (x < 0 && !d.digits.empty()) ? "-" : "";
    text += whole;
    if (!fraction.empty()) {
        text += "." + fraction;
    }
    return text;
}

std::string gaugePicture(int numberOfDigits, int numberOfDecimals, bool leadingZeros) {
    const int n = std::clamp(numberOfDigits, 1, kMaxGaugeChars);
    const int decimals = std::min(numberOfDecimals, kMaxGaugeChars);
    if (leadingZeros && decimals == 0) {
        return zeros(n) + "." + std::string(static_cast<std::size_t>(n), '#');
    }
    if (leadingZeros && decimals > 0) {
        // n+1 places with the point at place n-decimals+1; more decimals than digits leave
        // no whole-part zeros.
        const int whole = std::max(n - decimals, 0);
        return zeros(whole) + "." + zeros(decimals);
    }
    if (decimals > 0) {
        return "0." + zeros(decimals);
    }
    return {};
}

GaugeText buildGaugeText(std::u32string_view value, const GaugeTextOptions& options) {
    GaugeText out;
    const int n = std::clamp(options.numberOfDigits, 1, kMaxGaugeChars);
    if (options.alphaNumeric) {
        const auto length = static_cast<int>(value.size());
        out.text.assign(static_cast<std::size_t>(std::max(n - length, 0)), U' ');
        out.text += value;
        return out;
    }
    const std::optional<double> number = parseGaugeNumber(value);
    if (!number) {
        out.isNumber = false;
        return out;
    }
    out.negative = *number < 0;
    const double shown = options.showPlusMinus ? std::fabs(*number) : *number;
    const std::string picture =
        gaugePicture(options.numberOfDigits, options.numberOfDecimals, options.leadingZeros);
    const std::string text =
        picture.empty() ? floatToText(shown) : formatFloatPicture(shown, picture);
    out.text.assign(text.begin(), text.end());
    return out;
}

}  // namespace tvx::widgets
