#include "widgets/segment_font.h"

namespace tvx::widgets {

// Letters the seven segments cannot draw borrow a look-alike: G as 6, I as 1, K and X as
// H, M as n, S as 5, V and W as U, Z as 2.
const std::array<std::uint8_t, kSegmentGlyphCount> kSegmentGlyphs = {
    63,  6,   91, 79,  102, 109, 125, 7,   127, 111,  // 0-9
    119, 124, 57, 94,  121, 113, 125, 116, 6,   14,   // A b C d E F G h I J
    118, 56,  84, 84,  92,  115, 103, 80,  109, 112,  // K L M n o P q r S t
    62,  62,  62, 118, 110, 91,                       // U V W X y Z
    0,                                                // blank
    64,                                               // minus
};

std::uint8_t segmentsOf(int glyphCode) {
    if (glyphCode < 0 || glyphCode >= kSegmentGlyphCount) {
        return kSegmentGlyphs[kBlankGlyph];
    }
    return kSegmentGlyphs[static_cast<std::size_t>(glyphCode)];
}

GaugeChar gaugeCharKind(char32_t ch) {
    if (ch == U'.') {
        return GaugeChar::Point;
    }
    if (ch == U':') {
        return GaugeChar::Colon;
    }
    return GaugeChar::Glyph;
}

int glyphCodeFor(char32_t ch) {
    if (ch >= U'0' && ch <= U'9') {
        return static_cast<int>(ch - U'0');
    }
    if (ch >= U'a' && ch <= U'z') {
        ch -= U'a' - U'A';
    }
    if (ch >= U'A' && ch <= U'Z') {
        return 10 + static_cast<int>(ch - U'A');
    }
    if (ch == U'-') {
        return kMinusGlyph;
    }
    return kBlankGlyph;
}

}  // namespace tvx::widgets
