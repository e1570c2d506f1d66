#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tvx::widgets {

// Which of the control's three colours a shape is filled with.
enum class Ink : std::uint8_t { Background, On, Off };

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One filled shape of a paint, in pixels of the control. A rectangle or ellipse covers
// x from pts[0].x up to (not including) pts[1].x, likewise y; a polygon uses pts[0..count).
struct Shape {
    enum class Kind : std::uint8_t { Rect, Ellipse, Polygon };
    Kind kind = Kind::Rect;
    Ink ink = Ink::Off;
    std::uint8_t count = 2;
    std::array<Point, 6> pts{};

    static Shape rect(Ink ink, int x1, int y1, int x2, int y2) {
        return {Kind::Rect, ink, 2, {Point{x1, y1}, Point{x2, y2}}};
    }
    static Shape ellipse(Ink ink, int x1, int y1, int x2, int y2) {
        return {Kind::Ellipse, ink, 2, {Point{x1, y1}, Point{x2, y2}}};
    }
};

using ShapePlan = std::vector<Shape>;

}  // namespace tvx::widgets
