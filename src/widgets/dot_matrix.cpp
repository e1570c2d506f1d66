#include "widgets/dot_matrix.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/color_code.h"
#include "widgets/dot_matrix_plan.h"
#include "widgets/shape_painter.h"

namespace tvx::widgets {

TDotMatrix5x7::TDotMatrix5x7(QWidget* parent) : QWidget(parent) {
    // Every paint covers the whole control, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(300, 36);
}

void TDotMatrix5x7::setValue(const QString& value) {
    m_value = value;
    update();
}

void TDotMatrix5x7::setThickness(int thickness) {
    m_thickness = std::max(thickness, 0);
    update();
}

void TDotMatrix5x7::setDotMode(TDotMode dotMode) {
    m_dotMode = dotMode;
    update();
}

void TDotMatrix5x7::setHorzSpace(int horzSpace) {
    m_horzSpace = std::max(horzSpace, 0);
    update();
}

void TDotMatrix5x7::setVertSpace(int vertSpace) {
    m_vertSpace = std::max(vertSpace, 0);
    update();
}

void TDotMatrix5x7::setNumberOfDigits(int numberOfDigits) {
    m_numberOfDigits = std::max(numberOfDigits, 1);
    update();
}

void TDotMatrix5x7::setColor(const QColor& color) {
    m_color = color;
    update();
}

void TDotMatrix5x7::setColor(std::uint32_t code) {
    setColor(colorFromCode(code));
}

void TDotMatrix5x7::setOnColor(const QColor& color) {
    m_onColor = color;
    update();
}

void TDotMatrix5x7::setOnColor(std::uint32_t code) {
    setOnColor(colorFromCode(code));
}

void TDotMatrix5x7::setOffColor(const QColor& color) {
    m_offColor = color;
    update();
}

void TDotMatrix5x7::setOffColor(std::uint32_t code) {
    setOffColor(colorFromCode(code));
}

void TDotMatrix5x7::setAlignment(TAlignment alignment) {
    m_alignment = alignment;
    update();
}

QImage TDotMatrix5x7::toImage() const {
    MatrixLayout layout;
    layout.width = width();
    layout.height = height();
    layout.numberOfDigits = m_numberOfDigits;
    layout.thickness = m_thickness;
    layout.horzSpace = m_horzSpace;
    layout.vertSpace = m_vertSpace;
    layout.circles = m_dotMode == dmCircle;
    layout.alignment = m_alignment == taRightJustify ? MatrixAlignment::Right
                       : m_alignment == taCenter     ? MatrixAlignment::Center
                                                     : MatrixAlignment::Left;
    // Characters are their Latin-1 codes; anything beyond has no glyph, like codes 128+.
    const ShapePlan plan = planMatrix(m_value.toStdU32String(), layout);
    return paintPlan(size(), plan, Inks{m_color, m_onColor, m_offColor});
}

void TDotMatrix5x7::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off-screen and copied in one go: no flicker however often the value changes.
    const QImage image = toImage();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

}  // namespace tvx::widgets
