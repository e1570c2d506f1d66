#include "widgets/dot_matrix.h"

#include "widgets/dot_matrix_plan.h"

namespace tvx::widgets {

TDotMatrix5x7::TDotMatrix5x7(QWidget* parent) : CellDisplay(MatrixLayout{}.cells, parent) {}

ShapePlan TDotMatrix5x7::planFace() const {
    MatrixLayout layout;
    layout.cells = cellGeometry();
    layout.circles = m_dotMode == dmCircle;
    layout.alignment = m_alignment == taRightJustify ? MatrixAlignment::Right
                       : m_alignment == taCenter     ? MatrixAlignment::Center
                                                     : MatrixAlignment::Left;
    // Characters are their Latin-1 codes; anything beyond has no glyph, like codes 128+.
    return planMatrix(value().toStdU32String(), layout);
}

}  // namespace tvx::widgets
