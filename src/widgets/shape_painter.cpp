#include "widgets/shape_painter.h"

#include <QPainter>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <cstdint>

namespace tvx::widgets {

namespace {

// The ellipse inscribed in the box from a up to (not including) b: every pixel whose centre
// lies inside it, filled row by row. Qt's own aliased ellipse leaves the top row of the box
// empty and draws small ones as rectangles or not at all, so the pixels are chosen here.
// Only the rows within `clip` are walked, so an oversized dot costs no more than the image.
void fillEllipse(QPainter& painter, Point a, Point b, const QBrush& brush, const QRect& clip) {
    // Pixel (i, j) of the box has its centre at (i + 1/2, j + 1/2), the ellipse its centre at
    // (w/2, h/2): inside when ((2i+1-w)/w)^2 + ((2j+1-h)/h)^2 <= 1, or multiplied out
    // (2i+1-w)^2 h^2 + (2j+1-h)^2 w^2 <= w^2 h^2. In doubles every term is exact for boxes
    // up to 8192 pixels, far beyond any dot.
    const double w = static_cast<double>(b.x) - a.x;
    const double h = static_cast<double>(b.y) - a.y;
    if (w <= 0 || h <= 0) {
        return;
    }
    const auto inside = [w, h](double i, double j) {
        const double dx = 2 * i + 1 - w;
        const double dy = 2 * j + 1 - h;
        return dx * dx * h * h + dy * dy * w * w <= w * w * h * h;
    };
    const int top = std::max(a.y, clip.top());
    const int bottom = std::min(b.y - 1, clip.bottom());
    // Pixels left of the centre line, the middle column included.
    const auto halfWidth = static_cast<std::int64_t>((w + 1) / 2);
    for (int y = top; y <= bottom; ++y) {
        const double j = static_cast<double>(y) - a.y;
        // Rows are symmetric about the centre line: find the first pixel inside from the left.
        std::int64_t lo = 0;
        std::int64_t hi = halfWidth;
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (inside(static_cast<double>(mid), j)) {
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        if (lo == halfWidth) {
            continue;  // the row misses the ellipse
        }
        const auto left = static_cast<int>(std::max<std::int64_t>(a.x + lo, clip.left()));
        const auto right =
            static_cast<int>(std::min<std::int64_t>(std::int64_t{b.x} - 1 - lo, clip.right()));
        if (left <= right) {
            painter.fillRect(QRect(QPoint(left, y), QPoint(right, y)), brush);
        }
    }
}

}  // namespace

QImage paintPlan(QSize size, const ShapePlan& plan, const Inks& inks) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(inks.background);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QBrush brushes[] = {QBrush(inks.background), QBrush(inks.on), QBrush(inks.off)};
    for (const Shape& shape : plan) {
        const QBrush& brush = brushes[static_cast<int>(shape.ink)];
        const Point a = shape.pts[0];
        const Point b = shape.pts[1];
        switch (shape.kind) {
            case Shape::Kind::Rect:
                if (b.x > a.x && b.y > a.y) {
                    painter.fillRect(QRect(QPoint(a.x, a.y), QPoint(b.x - 1, b.y - 1)), brush);
                }
                break;
            case Shape::Kind::Ellipse:
                fillEllipse(painter, a, b, brush, image.rect());
                break;
            case Shape::Kind::Polygon: {
                QPoint points[6];
                for (int i = 0; i < shape.count; ++i) {
                    points[i] = QPoint(shape.pts[static_cast<std::size_t>(i)].x,
                                       shape.pts[static_cast<std::size_t>(i)].y);
                }
                painter.setBrush(brush);
                painter.drawPolygon(points, shape.count);
                break;
            }
        }
    }
    return image;
}

}  // namespace tvx::widgets
