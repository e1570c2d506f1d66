#include "widgets/seven_segment.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/color_code.h"
#include "widgets/gauge_text.h"
#include "widgets/seven_segment_plan.h"
#include "widgets/shape_painter.h"

namespace tvx::widgets {

TCustomSevenSegment::TCustomSevenSegment(QWidget* parent) : QWidget(parent) {
    // Every paint covers the whole control, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 50);
}

void TCustomSevenSegment::setValue(const QString& value) {
    m_value = value;
    update();
}

void TCustomSevenSegment::setThickness(int thickness) {
    m_thickness = std::max(thickness, 0);
    update();
}

void TCustomSevenSegment::setSpace(int space) {
    m_space = std::max(space, 0);
    update();
}

void TCustomSevenSegment::setHorzSpace(int horzSpace) {
    m_horzSpace = std::max(horzSpace, 0);
    update();
}

void TCustomSevenSegment::setVertSpace(int vertSpace) {
    m_vertSpace = std::max(vertSpace, 0);
    update();
}

void TCustomSevenSegment::setColor(const QColor& color) {
    m_color = color;
    update();
}

void TCustomSevenSegment::setColor(std::uint32_t code) {
    setColor(colorFromCode(code));
}

void TCustomSevenSegment::setOnColor(const QColor& color) {
    m_onColor = color;
    update();
}

void TCustomSevenSegment::setOnColor(std::uint32_t code) {
    setOnColor(colorFromCode(code));
}

void TCustomSevenSegment::setOffColor(const QColor& color) {
    m_offColor = color;
    update();
}

void TCustomSevenSegment::setOffColor(std::uint32_t code) {
    setOffColor(colorFromCode(code));
}

void TCustomSevenSegment::setNumberOfDigits(int numberOfDigits) {
    m_numberOfDigits = std::max(numberOfDigits, 1);
    update();
}

QImage TCustomSevenSegment::toImage() const {
    return paintPlan(size(), planFace(), Inks{m_color, m_onColor, m_offColor});
}

void TCustomSevenSegment::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off-screen and copied in one go: no flicker however often the value changes.
    const QImage image = toImage();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

ShapePlan TCustomSevenSegment::planFace() const {
    return {};
}

TSevenSegment::TSevenSegment(QWidget* parent) : TCustomSevenSegment(parent) {}

void TSevenSegment::setNumberOfDecimals(int numberOfDecimals) {
    m_numberOfDecimals = numberOfDecimals;
    update();
}

void TSevenSegment::setShowDecimalPoint(bool show) {
    m_showDecimalPoint = show;
    update();
}

void TSevenSegment::setShowPlusMinus(bool show) {
    m_showPlusMinus = show;
    update();
}

void TSevenSegment::setLeadingZeros(bool leadingZeros) {
    m_leadingZeros = leadingZeros;
    update();
}

void TSevenSegment::setValueType(TValueType valueType) {
    m_valueType = valueType;
    update();
}

ShapePlan TSevenSegment::planFace() const {
    const bool alphaNumeric = m_valueType == ssAlphaNumeric;
    const std::u32string shown = value().toStdU32String();
    // A numeric gauge given something that is no number shows blank cells.
    const GaugeText text =
        buildGaugeText(shown, GaugeTextOptions{numberOfDigits(), alphaNumeric, m_showPlusMinus,
                                               m_leadingZeros, m_numberOfDecimals});
    GaugeLayout layout;
    layout.width = width();
    layout.height = height();
    layout.numberOfDigits = numberOfDigits();
    layout.segments = SegmentStyle{thickness(), space(), horzSpace()};
    layout.vertSpace = vertSpace();
    layout.alphaNumeric = alphaNumeric;
    layout.showDecimalPoint = m_showDecimalPoint;
    layout.showPlusMinus = m_showPlusMinus;
    layout.negative = text.negative;
    layout.signKnown = text.isNumber;
    return planGauge(text.text, layout);
}

}  // namespace tvx::widgets
