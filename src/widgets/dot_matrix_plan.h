#pragma once

#include <string_view>

#include "widgets/cell_geometry.h"
#include "widgets/shape.h"

namespace tvx::widgets {

enum class MatrixAlignment : std::uint8_t { Left, Right, Center };

// A new display's cells: 300 x 36 pixels, twelve cells, dots of 4, margins 4 and 2.
struct MatrixLayout {
    CellGeometry cells{300, 36, 12, 4, 4, 2};
    bool circles = false;
    MatrixAlignment alignment = MatrixAlignment::Left;
};

// Where the cells and dots fall: first cell origin, cell width, dot pitches and offsets.
struct MatrixGeometry {
    int cellWidth = 0;
    int originX = 0;
    int originY = 0;
    int pitchX = 0;
    int pitchY = 0;
    int offsetX = 0;
    int offsetY = 0;
};
MatrixGeometry matrixGeometry(const CellGeometry& cells);

// The cell where the first character goes (0-based), never negative.
int matrixStartCell(int numberOfDigits, int textLength, MatrixAlignment alignment);

// Every dot of every cell: lit dots first for each cell, then its unlit ones.
ShapePlan planMatrix(std::u32string_view text, const MatrixLayout& layout);

}  // namespace tvx::widgets
