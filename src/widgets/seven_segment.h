#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "widgets/shape.h"

class QPainter;

namespace tvx::widgets {

// A row of emulated seven-segment LED digits: geometry, colours and glyph drawing. Every
// setter stores its value and repaints; colours take a QColor, a Qt::GlobalColor or the
// tester's 0x00BBGGRR code (see colorFromCode).
class TCustomSevenSegment : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Value READ value WRITE setValue)
    Q_PROPERTY(int Thickness READ thickness WRITE setThickness)
    Q_PROPERTY(int Space READ space WRITE setSpace)
    Q_PROPERTY(int HorzSpace READ horzSpace WRITE setHorzSpace)
    Q_PROPERTY(int VertSpace READ vertSpace WRITE setVertSpace)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor OnColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor OffColor READ offColor WRITE setOffColor)
    Q_PROPERTY(int NumberOfDigits READ numberOfDigits WRITE setNumberOfDigits)

public:
    explicit TCustomSevenSegment(QWidget* parent = nullptr);

    QString value() const { return m_value; }
    int thickness() const { return m_thickness; }
    int space() const { return m_space; }
    int horzSpace() const { return m_horzSpace; }
    int vertSpace() const { return m_vertSpace; }
    QColor color() const { return m_color; }
    QColor onColor() const { return m_onColor; }
    QColor offColor() const { return m_offColor; }
    int numberOfDigits() const { return m_numberOfDigits; }

    void setValue(const QString& value);
    // Spacing values are pixel counts; a negative one is stored as 0.
    void setThickness(int thickness);
    void setSpace(int space);
    void setHorzSpace(int horzSpace);
    void setVertSpace(int vertSpace);
    void setColor(const QColor& color);
    void setColor(Qt::GlobalColor color) { setColor(QColor(color)); }
    void setColor(std::uint32_t code);
    void setOnColor(const QColor& color);
    void setOnColor(Qt::GlobalColor color) { setOnColor(QColor(color)); }
    void setOnColor(std::uint32_t code);
    void setOffColor(const QColor& color);
    void setOffColor(Qt::GlobalColor color) { setOffColor(QColor(color)); }
    void setOffColor(std::uint32_t code);
    // Stored as at least 1.
    virtual void setNumberOfDigits(int numberOfDigits);

    QSize sizeHint() const override { return {200, 50}; }

    // The whole control as the next paint draws it (off-screen, client size).
    QImage toImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The shapes that make up the control's face; the background is already filled.
    virtual ShapePlan planFace() const;

private:
    QString m_value = QStringLiteral("0");
    int m_thickness = 5;
    int m_space = 2;
    int m_horzSpace = 8;
    int m_vertSpace = 6;
    QColor m_color = QColor(0, 0, 0);
    QColor m_onColor = QColor(255, 0, 0);
    QColor m_offColor = QColor(64, 64, 64);
    int m_numberOfDigits = 6;
};

// The gauge the tester uses: number formatting, decimal points and colons, and the
// plus/minus indicator on top of the glyph drawing.
class TSevenSegment : public TCustomSevenSegment {
    Q_OBJECT
    Q_PROPERTY(int NumberOfDecimals READ numberOfDecimals WRITE setNumberOfDecimals)
    Q_PROPERTY(bool ShowDecimalPoint READ showDecimalPoint WRITE setShowDecimalPoint)
    Q_PROPERTY(bool ShowPlusMinus READ showPlusMinus WRITE setShowPlusMinus)
    Q_PROPERTY(bool LeadingZeros READ leadingZeros WRITE setLeadingZeros)
    Q_PROPERTY(TValueType ValueType READ valueType WRITE setValueType)

public:
    enum TValueType { ssNumeric = 0, ssAlphaNumeric = 1 };
    Q_ENUM(TValueType)

    explicit TSevenSegment(QWidget* parent = nullptr);

    int numberOfDecimals() const { return m_numberOfDecimals; }
    bool showDecimalPoint() const { return m_showDecimalPoint; }
    bool showPlusMinus() const { return m_showPlusMinus; }
    bool leadingZeros() const { return m_leadingZeros; }
    TValueType valueType() const { return m_valueType; }

    void setNumberOfDecimals(int numberOfDecimals);
    void setShowDecimalPoint(bool show);
    void setShowPlusMinus(bool show);
    void setLeadingZeros(bool leadingZeros);
    void setValueType(TValueType valueType);

protected:
    ShapePlan planFace() const override;

private:
    int m_numberOfDecimals = 0;
    bool m_showDecimalPoint = true;
    bool m_showPlusMinus = false;
    bool m_leadingZeros = false;
    TValueType m_valueType = ssNumeric;
};

}  // namespace tvx::widgets
