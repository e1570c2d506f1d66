#pragma once

namespace tvx::widgets {

// The row of cells a gauge or display draws, in pixels of the control: its size, the number
// of cells, the stroke (a segment's width, a dot's side) and the margins inside each cell.
// The widgets keep these as their properties; the plans draw from them.
struct CellGeometry {
    int width;
    int height;
    int numberOfDigits;
    int thickness;
    int horzSpace;
    int vertSpace;
};

}  // namespace tvx::widgets
