#include "widgets/dot_matrix_plan.h"

#include "widgets/dot_matrix_font.h"

namespace tvx::widgets {

MatrixGeometry matrixGeometry(const CellGeometry& cells) {
    const int n = cells.numberOfDigits < 1 ? 1 : cells.numberOfDigits;
    MatrixGeometry g;
    g.cellWidth = cells.width / n;
    g.originX = (cells.width - g.cellWidth * n) / 2 + cells.horzSpace / 2;
    g.originY = cells.vertSpace / 2;
    const int innerWidth = g.cellWidth - cells.horzSpace;
    g.pitchX = innerWidth / kMatrixColumns;
    g.offsetX = (innerWidth % kMatrixColumns) / 2 + (g.pitchX - cells.thickness) / 2;
    const int innerHeight = cells.height - cells.vertSpace;
    g.pitchY = innerHeight / kMatrixRows;
    g.offsetY = (innerHeight - kMatrixRows * g.pitchY) / 2 + (g.pitchY - cells.thickness) / 2;
    return g;
}

int matrixStartCell(int numberOfDigits, int textLength, MatrixAlignment alignment) {
    int start = 0;
    switch (alignment) {
        case MatrixAlignment::Left:
            start = 0;
            break;
        case MatrixAlignment::Right:
            start = numberOfDigits - textLength;
            break;
        case MatrixAlignment::Center:
            start = (numberOfDigits - textLength) / 2;
            break;
    }
    return start < 0 ? 0 : start;
}

namespace {

// A cell draws its lit dots, then the unlit ones, so both passes walk the same positions.
void appendCell(ShapePlan& plan, int x, int y, const MatrixGeometry& g, const MatrixLayout& layout,
                bool blank, char32_t code) {
    for (const Ink ink : {Ink::On, Ink::Off}) {
        for (int row = 0; row < kMatrixRows; ++row) {
            for (int column = 0; column < kMatrixColumns; ++column) {
                const bool lit = !blank && matrixDotLit(code, row, column);
                if (lit != (ink == Ink::On)) {
                    continue;
                }
                const int dx = x + g.offsetX + column * g.pitchX;
                const int dy = y + g.offsetY + row * g.pitchY;
                const int dx2 = dx + layout.cells.thickness;
                const int dy2 = dy + layout.cells.thickness;
                plan.push_back(layout.circles ? Shape::ellipse(ink, dx, dy, dx2, dy2)
                                              : Shape::rect(ink, dx, dy, dx2, dy2));
            }
        }
    }
}

}  // namespace

ShapePlan planMatrix(std::u32string_view text, const MatrixLayout& layout) {
    const int cells = layout.cells.numberOfDigits < 1 ? 1 : layout.cells.numberOfDigits;
    const MatrixGeometry g = matrixGeometry(layout.cells);
    const int length = static_cast<int>(text.size());
    const int start = matrixStartCell(cells, length, layout.alignment);

    ShapePlan plan;
    plan.reserve(static_cast<std::size_t>(cells) * kMatrixRows * kMatrixColumns);
    int x = g.originX;
    for (int cell = 0; cell < cells; ++cell) {
        const int index = cell - start;  // character shown in this cell, 0-based
        const bool blank = index < 0 || index >= length;
        appendCell(plan, x, g.originY, g, layout, blank,
                   blank ? U' ' : text[static_cast<std::size_t>(index)]);
        x += g.cellWidth;
    }
    return plan;
}

}  // namespace tvx::widgets
