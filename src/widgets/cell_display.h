#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "widgets/cell_geometry.h"
#include "widgets/shape.h"

namespace tvx::widgets {

// What the seven-segment gauge and the dot-matrix display have in common: a text shown in a
// row of cells, the stroke and spacing in pixels, three colours, and a paint that draws the
// whole face off-screen and copies it in one go. Every setter stores its value and
// repaints; colours take a QColor, a Qt::GlobalColor or the tester's 0x00BBGGRR code (see
// colorFromCode). Subclasses add their own properties and say which shapes make the face.
class CellDisplay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Value READ value WRITE setValue)
    Q_PROPERTY(int Thickness READ thickness WRITE setThickness)
    Q_PROPERTY(int HorzSpace READ horzSpace WRITE setHorzSpace)
    Q_PROPERTY(int VertSpace READ vertSpace WRITE setVertSpace)
    Q_PROPERTY(int NumberOfDigits READ numberOfDigits WRITE setNumberOfDigits)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor OnColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor OffColor READ offColor WRITE setOffColor)

public:
    QString value() const { return m_value; }
    int thickness() const { return m_thickness; }
    int horzSpace() const { return m_horzSpace; }
    int vertSpace() const { return m_vertSpace; }
    int numberOfDigits() const { return m_numberOfDigits; }
    QColor color() const { return m_color; }
    QColor onColor() const { return m_onColor; }
    QColor offColor() const { return m_offColor; }

    void setValue(const QString& value);
    // Spacing values are pixel counts; a negative one is stored as 0.
    void setThickness(int thickness);
    void setHorzSpace(int horzSpace);
    void setVertSpace(int vertSpace);
    // Stored as at least 1.
    virtual void setNumberOfDigits(int numberOfDigits);
    void setColor(const QColor& color);
    void setColor(Qt::GlobalColor color) { setColor(QColor(color)); }
    void setColor(std::uint32_t code);
    void setOnColor(const QColor& color);
    void setOnColor(Qt::GlobalColor color) { setOnColor(QColor(color)); }
    void setOnColor(std::uint32_t code);
    void setOffColor(const QColor& color);
    void setOffColor(Qt::GlobalColor color) { setOffColor(QColor(color)); }
    void setOffColor(std::uint32_t code);

    QSize sizeHint() const override { return m_designSize; }

    // The whole control as the next paint draws it (off-screen, client size).
    QImage toImage() const;

    // The cells as the properties and the present size make them.
    CellGeometry cellGeometry() const {
        return {width(), height(), m_numberOfDigits, m_thickness, m_horzSpace, m_vertSpace};
    }

protected:
    // `design`: the size and cells a new control starts with (its plan's defaults); Value is
    // "0", the colours black, red and grey.
    CellDisplay(const CellGeometry& design, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    // The shapes that make up the face; the background is already filled.
    virtual ShapePlan planFace() const { return {}; }

    // Stores a subclass's property and repaints, as every setter does.
    template <typename T>
    void store(T& field, const T& value) {
        field = value;
        update();
    }

private:
    QSize m_designSize;
    QString m_value = QStringLiteral("0");
    int m_thickness;
    int m_horzSpace;
    int m_vertSpace;
    int m_numberOfDigits;
    QColor m_color = QColor(0, 0, 0);
    QColor m_onColor = QColor(255, 0, 0);
    QColor m_offColor = QColor(64, 64, 64);
};

}  // namespace tvx::widgets
