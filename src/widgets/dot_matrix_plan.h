#pragma once

#include <string_view>

#include "widgets/shape.h"

namespace tvx::widgets {

enum class MatrixAlignment : std::uint8_t { Left, Right, Center };

struct MatrixLayout {
    int width = 300;
    int height = 36;
    int numberOfDigits = 12;
    int thickness = 4;
    int horzSpace = 4;
    int vertSpace = 2;
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
MatrixGeometry matrixGeometry(const MatrixLayout& layout);

// The cell where the first character goes (0-based), never negative.
int matrixStartCell(int numberOfDigits, int textLength, MatrixAlignment alignment);

// Every dot of every cell: lit dots first for each cell, then its unlit ones.
ShapePlan planMatrix(std::u32string_view text, const MatrixLayout& layout);

}  // namespace tvx::widgets
