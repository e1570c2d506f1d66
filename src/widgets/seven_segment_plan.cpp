#include "widgets/seven_segment_plan.h"

#include <algorithm>

#include "widgets/segment_font.h"

namespace tvx::widgets {

namespace {

constexpr int kMaxGaugeChars = 255;

Shape polygon(Ink ink, std::initializer_list<Point> points) {
    Shape shape;
    shape.kind = Shape::Kind::Polygon;
    shape.ink = ink;
    shape.count = static_cast<std::uint8_t>(points.size());
    std::copy(points.begin(), points.end(), shape.pts.begin());
    return shape;
}

}  // namespace

void appendGlyphShapes(ShapePlan& plan, int glyphCode, int left, int top, int right, int bottom,
                       const SegmentStyle& style) {
    const int sp = style.space;
    const int th = style.thickness;
    const int hs = sp / 2;
    const int ht = th / 2;
    const int l = left + style.horzSpace / 2;
    const int r = right - style.horzSpace / 2;
    const int t = top;
    const int b = bottom;
    const int m = (top + bottom) / 2;
    const std::uint8_t lit = segmentsOf(glyphCode);
    const auto ink = [lit](int segment) {
        return ((lit >> segment) & 1U) != 0 ? Ink::On : Ink::Off;
    };

    // The outer segments are trapezoids meeting their neighbours at 45 degrees, with a gap of
    // `space` at each corner; the middle one is a hexagon with pointed ends.
    plan.push_back(
        polygon(ink(0), {{l + sp, t}, {l + th + sp, t + th}, {r - th - sp, t + th}, {r - sp, t}}));
    plan.push_back(
        polygon(ink(1), {{r, m - hs}, {r - th, m - th - hs}, {r - th, t + th + sp}, {r, t + sp}}));
    plan.push_back(
        polygon(ink(2), {{r, b - sp}, {r - th, b - th - sp}, {r - th, m + th + hs}, {r, m + hs}}));
    plan.push_back(
        polygon(ink(3), {{l + sp, b}, {l + th + sp, b - th}, {r - th - sp, b - th}, {r - sp, b}}));
    plan.push_back(
        polygon(ink(4), {{l, m + hs}, {l + th, m + th + hs}, {l + th, b - th - sp}, {l, b - sp}}));
    plan.push_back(
        polygon(ink(5), {{l, t + sp}, {l + th, t + th + sp}, {l + th, m - th - hs}, {l, m - hs}}));
    plan.push_back(polygon(ink(6), {{l + sp, m},
                                    {l + sp + ht, m - ht},
                                    {r - sp - ht, m - ht},
                                    {r - sp, m},
                                    {r - sp - ht, m + ht},
                                    {l + sp + ht, m + ht}}));
}

ShapePlan planGauge(std::u32string_view text, const GaugeLayout& layout) {
    if (text.size() > kMaxGaugeChars) {
        text = text.substr(text.size() - kMaxGaugeChars);
    }
    const CellGeometry& area = layout.cells;
    const SegmentStyle segments{area.thickness, layout.space, area.horzSpace};
    const int n = std::clamp(area.numberOfDigits, 1, kMaxGaugeChars);
    const int length = static_cast<int>(text.size());
    const bool plusMinus = layout.showPlusMinus && !layout.alphaNumeric;
    const int th = segments.thickness;

    const int cells = plusMinus ? n + 1 : n;
    const int w = area.width / cells;
    int left = (area.width - cells * w) / 2;
    int right = left + w;
    const int top = area.vertSpace / 2;
    const int bottom = area.height - area.vertSpace / 2;
    const int colonY = bottom / 2;

    ShapePlan plan;
    plan.reserve(static_cast<std::size_t>(cells) * 8 + 4);

    if (plusMinus) {
        // The indicator size is a signed byte: cells taller or wider than 127 pixels keep a
        // 127-pixel sign.
        const int s = std::clamp(std::min(bottom - top, w), -128, 127);
        const int cx = left + s / 2;
        const int cy = top + s / 2;
        const Ink plus = layout.signKnown && !layout.negative ? Ink::On : Ink::Off;
        const Ink minus = layout.signKnown && layout.negative ? Ink::On : Ink::Off;
        plan.push_back(Shape::rect(plus, cx - th / 2, cy - s / 2, cx + th / 2, cy + s / 2));
        plan.push_back(Shape::rect(plus, cx - s / 2, cy - th / 2, cx + s / 2, cy + th / 2));
        plan.push_back(
            Shape::rect(minus, cx - s / 2, cy + s - th / 2, cx + s / 2, cy + s + th / 2));
        left += w;
        right += w;
    }

    // Points near the right end and every colon sit between cells and take no cell.
    int separators = 0;
    for (int i = 1; i <= length; ++i) {
        const GaugeChar kind = gaugeCharKind(text[static_cast<std::size_t>(i - 1)]);
        if ((kind == GaugeChar::Point && length - i <= n) || kind == GaugeChar::Colon) {
            ++separators;
        }
    }

    const int items = n + separators;
    const int shift = items - length;  // item k shows character k - shift (1-based)
    bool previousWasSeparator = false;
    for (int k = 1; k <= items; ++k) {
        const bool shown = n - k < length - separators;
        const char32_t ch = shown ? text[static_cast<std::size_t>(k - shift - 1)] : U' ';
        const GaugeChar kind = gaugeCharKind(ch);

        if (kind == GaugeChar::Glyph) {
            appendGlyphShapes(plan, glyphCodeFor(ch), left, top, right, bottom, segments);
        }
        // The decimal-point position in the gap left of the current cell, right after the
        // previous digit; unlit positions vanish into the background on text gauges.
        if (layout.showDecimalPoint && !previousWasSeparator && th < segments.horzSpace && k != 1) {
            const Ink ink = kind == GaugeChar::Point
                                ? Ink::On
                                : (layout.alphaNumeric ? Ink::Background : Ink::Off);
            plan.push_back(Shape::rect(ink, left - th / 2, bottom - th, left + th / 2 + 1, bottom));
        }
        if (kind == GaugeChar::Colon) {
            plan.push_back(Shape::rect(Ink::On, left - th / 2, colonY - th - 4, left + th / 2 + 1,
                                       colonY - 4));
            plan.push_back(Shape::rect(Ink::On, left - th / 2, colonY + 4, left + th / 2 + 1,
                                       colonY + th + 4));
        }
        previousWasSeparator = kind != GaugeChar::Glyph;
        if (!previousWasSeparator) {
            left += w;
            right += w;
        }
    }
    return plan;
}

}  // namespace tvx::widgets
