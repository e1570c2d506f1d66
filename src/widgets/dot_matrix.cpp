#include "widgets/dot_matrix.h"

#include "widgets/dot_matrix_plan.h"

namespace tvx::widgets {

TDotMatrix5x7::TDotMatrix5x7(QWidget* parent)
    : CellDisplay(Design{.size = QSize(300, 36),
                         .thickness = 4,
                         .horzSpace = 4,
                         .vertSpace = 2,
                         .numberOfDigits = 12},
                  parent) {}

ShapePlan TDotMatrix5x7::planFace() const {
    MatrixLayout layout;
    layout.width = width();
    layout.height = height();
    layout.numberOfDigits = numberOfDigits();
    layout.thickness = thickness();
    layout.horzSpace = horzSpace();
    layout.vertSpace = vertSpace();
    layout.circles = m_dotMode == dmCircle;
    layout.alignment = m_alignment == taRightJustify ? MatrixAlignment::Right
                       : m_alignment == taCenter     ? MatrixAlignment::Center
                                                     : MatrixAlignment::Left;
    // Characters are their Latin-1 codes; anything beyond has no glyph, like codes 128+.
    return planMatrix(value().toStdU32String(), layout);
}

}  // namespace tvx::widgets
