#include "widgets/seven_segment.h"

#include <algorithm>

#include "widgets/gauge_text.h"
#include "widgets/seven_segment_plan.h"

namespace tvx::widgets {

TCustomSevenSegment::TCustomSevenSegment(QWidget* parent)
    : CellDisplay(GaugeLayout{}.cells, parent) {}

void TCustomSevenSegment::setSpace(int space) {
    store(m_space, std::max(space, 0));
}

TSevenSegment::TSevenSegment(QWidget* parent) : TCustomSevenSegment(parent) {}

ShapePlan TSevenSegment::planFace() const {
    const bool alphaNumeric = m_valueType == ssAlphaNumeric;
    const std::u32string shown = value().toStdU32String();
    // A numeric gauge given something that is no number shows blank cells.
    const GaugeText text =
        buildGaugeText(shown, GaugeTextOptions{numberOfDigits(), alphaNumeric, m_showPlusMinus,
                                               m_leadingZeros, m_numberOfDecimals});
    GaugeLayout layout;
    layout.cells = cellGeometry();
    layout.space = space();
    layout.alphaNumeric = alphaNumeric;
    layout.showDecimalPoint = m_showDecimalPoint;
    layout.showPlusMinus = m_showPlusMinus;
    layout.negative = text.negative;
    layout.signKnown = text.isNumber;
    return planGauge(text.text, layout);
}

}  // namespace tvx::widgets
