#include "chart/chart_picture.h"

#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QPainter>
#include <QResizeEvent>

#include "chart/trend_chart.h"

namespace tvx::chart {

QImage drawChart(const trend::ChartModel& model, QSize size, qreal ratio) {
    TrendChart chart;
    // Laid out at its size without being shown (no window is made for it): the view and the
    // chart in it take the size a shown view would give them.
    chart.resize(size);
    QResizeEvent resized(size, QSize());
    QCoreApplication::sendEvent(&chart, &resized);
    chart.setModel(&model);
    chart.chart()->resize(QSizeF(size));
    chart.setSceneRect(chart.chart()->geometry());
    // Qt Charts lays the axes out when asked (else on a posted event): the lines are then
    // taken again at the plot's final width.
    chart.chart()->layout()->activate();
    chart.setModel(&model);
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    // The view's own rendering: Qt Charts' plot, axes and legend, then the lines over them, at
    // the picture's resolution.
    chart.QGraphicsView::render(&painter, QRectF(QPointF(0, 0), size), chart.viewport()->rect());
    return image;
}

}  // namespace tvx::chart
