#include "widgets/shape_painter.h"

#include <QPainter>
#include <QPoint>

namespace tvx::widgets {

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
                if (b.x > a.x && b.y > a.y) {
                    painter.setBrush(brush);
                    painter.drawEllipse(QRect(QPoint(a.x, a.y), QPoint(b.x - 1, b.y - 1)));
                }
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
