#include "widgets/cell_display.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/color_code.h"
#include "widgets/shape_painter.h"

namespace tvx::widgets {

CellDisplay::CellDisplay(const CellGeometry& design, QWidget* parent)
    : QWidget(parent),
      m_designSize(design.width, design.height),
      m_thickness(design.thickness),
      m_horzSpace(design.horzSpace),
      m_vertSpace(design.vertSpace),
      m_numberOfDigits(design.numberOfDigits) {
    // Every paint covers the whole control, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(m_designSize);
}

void CellDisplay::setValue(const QString& value) {
    store(m_value, value);
}

void CellDisplay::setThickness(int thickness) {
    store(m_thickness, std::max(thickness, 0));
}

void CellDisplay::setHorzSpace(int horzSpace) {
    store(m_horzSpace, std::max(horzSpace, 0));
}

void CellDisplay::setVertSpace(int vertSpace) {
    store(m_vertSpace, std::max(vertSpace, 0));
}

void CellDisplay::setNumberOfDigits(int numberOfDigits) {
    store(m_numberOfDigits, std::max(numberOfDigits, 1));
}

void CellDisplay::setColor(const QColor& color) {
    store(m_color, color);
}

void CellDisplay::setColor(std::uint32_t code) {
    setColor(colorFromCode(code));
}

void CellDisplay::setOnColor(const QColor& color) {
    store(m_onColor, color);
}

void CellDisplay::setOnColor(std::uint32_t code) {
    setOnColor(colorFromCode(code));
}

void CellDisplay::setOffColor(const QColor& color) {
    store(m_offColor, color);
}

void CellDisplay::setOffColor(std::uint32_t code) {
    setOffColor(colorFromCode(code));
}

QImage CellDisplay::toImage() const {
    return paintPlan(size(), planFace(), Inks{m_color, m_onColor, m_offColor});
}

void CellDisplay::paintEvent(QPaintEvent* /*event*/) {
    // Drawn off-screen and copied in one go: no flicker however often the value changes.
    const QImage image = toImage();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

}  // namespace tvx::widgets
