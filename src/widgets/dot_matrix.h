#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "widgets/shape.h"

namespace tvx::widgets {

// A line of text as a row of 5x7 dot-matrix character cells. Every setter stores its value
// and repaints; colours take a QColor, a Qt::GlobalColor or the tester's 0x00BBGGRR code.
// A character shows the glyph of its code (Latin-1 value); codes 128 and above, and
// characters beyond Latin-1, have no glyph and show every dot unlit.
class TDotMatrix5x7 : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Value READ value WRITE setValue)
    Q_PROPERTY(int Thickness READ thickness WRITE setThickness)
    Q_PROPERTY(TDotMode DotMode READ dotMode WRITE setDotMode)
    Q_PROPERTY(int HorzSpace READ horzSpace WRITE setHorzSpace)
    Q_PROPERTY(int VertSpace READ vertSpace WRITE setVertSpace)
    Q_PROPERTY(int NumberOfDigits READ numberOfDigits WRITE setNumberOfDigits)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor OnColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor OffColor READ offColor WRITE setOffColor)
    Q_PROPERTY(TAlignment Alignment READ alignment WRITE setAlignment)

public:
    enum TDotMode { dmCircle = 0, dmRectangle = 1 };
    Q_ENUM(TDotMode)
    enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    Q_ENUM(TAlignment)

    explicit TDotMatrix5x7(QWidget* parent = nullptr);

    QString value() const { return m_value; }
    int thickness() const { return m_thickness; }
    TDotMode dotMode() const { return m_dotMode; }
    int horzSpace() const { return m_horzSpace; }
    int vertSpace() const { return m_vertSpace; }
    int numberOfDigits() const { return m_numberOfDigits; }
    QColor color() const { return m_color; }
    QColor onColor() const { return m_onColor; }
    QColor offColor() const { return m_offColor; }
    TAlignment alignment() const { return m_alignment; }

    void setValue(const QString& value);
    // Spacing values are pixel counts; a negative one is stored as 0.
    void setThickness(int thickness);
    void setDotMode(TDotMode dotMode);
    void setHorzSpace(int horzSpace);
    void setVertSpace(int vertSpace);
    // Stored as at least 1.
    void setNumberOfDigits(int numberOfDigits);
    void setColor(const QColor& color);
    void setColor(Qt::GlobalColor color) { setColor(QColor(color)); }
    void setColor(std::uint32_t code);
    void setOnColor(const QColor& color);
    void setOnColor(Qt::GlobalColor color) { setOnColor(QColor(color)); }
    void setOnColor(std::uint32_t code);
    void setOffColor(const QColor& color);
    void setOffColor(Qt::GlobalColor color) { setOffColor(QColor(color)); }
    void setOffColor(std::uint32_t code);
    void setAlignment(TAlignment alignment);

    QSize sizeHint() const override { return {300, 36}; }

    // The whole control as the next paint draws it (off-screen, client size).
    QImage toImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_value = QStringLiteral("0");
    int m_thickness = 4;
    TDotMode m_dotMode = dmRectangle;
    int m_horzSpace = 4;
    int m_vertSpace = 2;
    int m_numberOfDigits = 12;
    QColor m_color = QColor(0, 0, 0);
    QColor m_onColor = QColor(255, 0, 0);
    QColor m_offColor = QColor(64, 64, 64);
    TAlignment m_alignment = taLeftJustify;
};

}  // namespace tvx::widgets
