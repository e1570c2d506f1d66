#pragma once

#include <QWidget>

#include "widgets/cell_display.h"

namespace tvx::widgets {

// A line of text as a row of 5x7 dot-matrix character cells; Thickness is the side of one
// dot and HorzSpace the gap between cells. A character shows the glyph of its code (Latin-1
// value); codes 128 and above, and characters beyond Latin-1, have no glyph and show every
// dot unlit.
class TDotMatrix5x7 : public CellDisplay {
    Q_OBJECT
    Q_PROPERTY(TDotMode DotMode READ dotMode WRITE setDotMode)
    Q_PROPERTY(TAlignment Alignment READ alignment WRITE setAlignment)

public:
    enum TDotMode { dmCircle = 0, dmRectangle = 1 };
    Q_ENUM(TDotMode)
    enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    Q_ENUM(TAlignment)

    explicit TDotMatrix5x7(QWidget* parent = nullptr);

    TDotMode dotMode() const { return m_dotMode; }
    TAlignment alignment() const { return m_alignment; }

    void setDotMode(TDotMode dotMode) { store(m_dotMode, dotMode); }
    void setAlignment(TAlignment alignment) { store(m_alignment, alignment); }

protected:
    ShapePlan planFace() const override;

private:
    TDotMode m_dotMode = dmRectangle;
    TAlignment m_alignment = taLeftJustify;
};

}  // namespace tvx::widgets
