#pragma once

#include <QWidget>

#include "widgets/cell_display.h"
#include "widgets/seven_segment_plan.h"

namespace tvx::widgets {

// A row of emulated seven-segment LED digits: Thickness is the segment stroke, Space the
// gap between the ends of neighbouring segments, HorzSpace and VertSpace the margins of
// each cell. On its own it shows only its background; TSevenSegment draws the digits.
class TCustomSevenSegment : public CellDisplay {
    Q_OBJECT
    Q_PROPERTY(int Space READ space WRITE setSpace)

public:
    explicit TCustomSevenSegment(QWidget* parent = nullptr);

    int space() const { return m_space; }
    // A pixel count; a negative one is stored as 0.
    void setSpace(int space);

private:
    int m_space = GaugeLayout{}.space;
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

    void setNumberOfDecimals(int numberOfDecimals) { store(m_numberOfDecimals, numberOfDecimals); }
    void setShowDecimalPoint(bool show) { store(m_showDecimalPoint, show); }
    void setShowPlusMinus(bool show) { store(m_showPlusMinus, show); }
    void setLeadingZeros(bool leadingZeros) { store(m_leadingZeros, leadingZeros); }
    void setValueType(TValueType valueType) { store(m_valueType, valueType); }

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
