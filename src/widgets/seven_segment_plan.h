#pragma once

#include <string_view>

#include "widgets/cell_geometry.h"
#include "widgets/shape.h"

namespace tvx::widgets {

struct SegmentStyle {
    int thickness = 5;
    int space = 2;
    int horzSpace = 8;
};

// The seven segments of a glyph code in the cell (left, top, right, bottom): each a filled
// polygon, On where the glyph lights it, Off otherwise.
void appendGlyphShapes(ShapePlan& plan, int glyphCode, int left, int top, int right, int bottom,
                       const SegmentStyle& style);

// A new gauge's cells: 200 x 50 pixels, six cells, segments of 5, margins 8 and 6.
struct GaugeLayout {
    CellGeometry cells{200, 50, 6, 5, 8, 6};
    int space = 2;  // the gap between the ends of neighbouring segments
    bool alphaNumeric = false;
    bool showDecimalPoint = true;
    bool showPlusMinus = false;  // only honoured for numeric gauges
    bool negative = false;       // sign shown by the plus/minus indicator
    bool signKnown = true;       // false: no number to sign, plus and minus both unlit
};

// Everything a gauge draws over its background for the display text: the plus/minus
// indicator, the glyph cells (text right-aligned, cut at the left), the decimal-point
// positions and colons. Counts are kept to 8 bits as the gauge always has: at most 255
// cells plus separators, and the last 255 characters of the text.
ShapePlan planGauge(std::u32string_view text, const GaugeLayout& layout);

}  // namespace tvx::widgets
