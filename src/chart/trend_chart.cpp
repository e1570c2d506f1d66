#include "chart/trend_chart.h"

#include <QLegend>
#include <QLegendMarker>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/color_code.h"

namespace tvx::chart {
namespace {

const QColor kBackground(0, 0, 0);
const QColor kPlot(8, 9, 11);
const QColor kGrid(44, 47, 52);
const QColor kText(185, 190, 198);
const QColor kReplayRed(255, 48, 48);
constexpr double kLineWidth = 2;

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* labelFormat(double step) {
    if (step >= 1)
        return "%.0f";
    if (step >= 0.1)
        return "%.1f";
    if (step >= 0.01)
        return "%.2f";
    return "%.3f";
}

double seconds(std::int64_t ms) {
    return static_cast<double>(ms) / 1000.0;
}

}  // namespace

TrendChart::TrendChart(QWidget* parent)
    // The chart is given to the view as it is made: a chart set later would leave the view's
    // default one to nobody.
    : QChartView(new QChart, parent), m_chart(chart()), m_time(new QValueAxis(m_chart)) {
    setFocusPolicy(Qt::NoFocus);
    setBackgroundBrush(kBackground);
    // The view paints every pixel of itself: a new reading repaints the plot alone, not the
    // window's styled background beneath it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    setOptimizationFlags(QGraphicsView::DontSavePainterState |
                         QGraphicsView::DontAdjustForAntialiasing);
    m_chart->setBackgroundBrush(kBackground);
    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->setPlotAreaBackgroundBrush(kPlot);
    m_chart->setPlotAreaBackgroundVisible(true);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->legend()->setLabelColor(kText);
    QFont small = font();
    small.setPointSize(8);
    m_chart->legend()->setFont(small);

    m_time->setLabelsColor(kText);
    m_time->setLabelsFont(small);
    m_time->setGridLineColor(kGrid);
    m_time->setLinePenColor(kGrid);
    m_time->setLabelFormat(QStringLiteral("%.0f s"));
    // Grid lines on round seconds, six to a window, however the window moves.
    m_time->setTickType(QValueAxis::TicksDynamic);
    m_time->setTickAnchor(0);
    m_time->setTickInterval(5);
    m_time->setRange(m_xLow, m_xHigh);
    m_chart->addAxis(m_time, Qt::AlignBottom);

    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &TrendChart::refresh);
    // Anything Qt Charts changes (a label, the legend, a hover) is painted anew.
    connect(m_chart->scene(), &QGraphicsScene::changed, this, [this] {
        if (!m_paintingStill) {
            m_stillValid = false;
            viewport()->update();
        }
    });
}

void TrendChart::setModel(const trend::ChartModel* model) {
    m_model = model;
    m_drawnRevision = ~std::uint64_t{0};
    refresh();
}

void TrendChart::scheduleRefresh() {
    if (m_refresh.isActive())
        return;
    const qint64 since = m_sinceDrawn.isValid() ? m_sinceDrawn.elapsed() : kFrameMs;
    if (since >= kFrameMs) {
        // At once: the window then paints the chart with the gauges the same reading moved,
        // in one go.
        refresh();
        return;
    }
    m_refresh.start(static_cast<int>(kFrameMs - since));
}

void TrendChart::setReplay(bool replay) {
    if (replay) {
        QFont bold = font();
        bold.setBold(true);
        bold.setPointSize(11);
        m_chart->setTitleFont(bold);
        m_chart->setTitleBrush(kReplayRed);
        m_chart->setTitle(QStringLiteral("REPLAY"));
    } else {
        m_chart->setTitle(QString());
    }
    m_stillValid = false;
}

bool TrendChart::linesMatchModel() const {
    const auto& series = m_model->series();
    if (series.size() != m_lines.size())
        return false;
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (series[i].gauge != m_lines[i].gauge || series[i].colour != m_lines[i].colour ||
            series[i].caption != m_lines[i].caption)
            return false;
    }
    return true;
}

void TrendChart::rebuildLines() {
    for (Line& line : m_lines) {
        m_chart->removeSeries(line.legend);
        delete line.legend;
        m_chart->removeAxis(line.axis);
        delete line.axis;
    }
    m_lines.clear();
    QFont small = font();
    small.setPointSize(8);
    for (const trend::ChartedSeries& series : m_model->series()) {
        const QColor colour = widgets::colorFromCode(series.colour);
        Line line{
            series.gauge, series.caption, series.colour, new QValueAxis, new QLineSeries, {}, {}};
        line.axis->setLabelsColor(colour);
        line.axis->setLabelsFont(small);
        line.axis->setLinePenColor(colour);
        line.axis->setTitleText(qstr(series.caption));
        line.axis->setTitleBrush(colour);
        line.axis->setTitleFont(small);
        line.axis->setGridLineVisible(m_lines.empty());  // one grid is enough
        line.axis->setGridLineColor(kGrid);
        line.axis->setMinorGridLineVisible(false);
        m_chart->addAxis(line.axis, m_lines.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        line.legend->setPen(QPen(colour, kLineWidth));
        line.legend->setName(qstr(series.caption));
        m_chart->addSeries(line.legend);
        line.legend->attachAxis(m_time);
        line.legend->attachAxis(line.axis);
        for (QLegendMarker* marker : m_chart->legend()->markers(line.legend))
            connect(marker, &QLegendMarker::clicked, this,
                    [this, gauge = series.gauge] { emit takeOff(gauge); });
        m_lines.push_back(line);
    }
}

trend::ChartModel::View TrendChart::viewToDraw() const {
    const trend::ChartModel::View view = m_model->view();
    const std::int64_t window = view.toMs - view.fromMs;
    const std::int64_t step = std::max<std::int64_t>(1, window / 10);
    const trend::ChartModel::View drawn = m_drawnView;
    // The drawn window holds the view's end: it stays. Else it moves on to the next step.
    if (drawn.toMs - drawn.fromMs == window && view.toMs <= drawn.toMs &&
        view.toMs > drawn.toMs - step)
        return drawn;
    const std::int64_t from = view.toMs - m_model->origin();
    const std::int64_t steps = from >= 0 ? (from + step - 1) / step : -((-from) / step);
    const std::int64_t end = m_model->origin() + steps * step;
    return {end - window, end};
}

void TrendChart::refresh() {
    m_refresh.stop();
    if (m_model == nullptr || m_model->revision() == m_drawnRevision)
        return;
    m_drawnRevision = m_model->revision();
    m_sinceDrawn.start();
    ++m_drawings;
    bool whole = false;
    if (!linesMatchModel()) {
        rebuildLines();
        whole = true;
    }
    const trend::ChartModel::View view = viewToDraw();
    if (view.fromMs != m_drawnView.fromMs || view.toMs != m_drawnView.toMs ||
        m_model->origin() != m_origin) {
        m_drawnView = view;
        m_origin = m_model->origin();
        m_xLow = seconds(view.fromMs - m_origin);
        m_xHigh = seconds(view.toMs - m_origin);
        m_time->setTickInterval((m_xHigh - m_xLow) / 6);
        m_time->setRange(m_xLow, m_xHigh);
        whole = true;
    }
    const std::optional<std::int64_t> cursor = m_model->cursor();
    std::optional<double> cursorX;
    if (cursor && *cursor >= view.fromMs && *cursor <= view.toMs)
        cursorX = seconds(*cursor - m_origin);
    if (cursorX != m_cursorX) {
        m_cursorX = cursorX;
        whole = true;
    }
    QRectF grown;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        whole = !computeLine(i, grown) || whole;
    if (whole) {
        ++m_fullDrawings;
        m_stillValid = false;
        grown = QRectF(mapToScene(viewport()->rect()).boundingRect());
    }
    if (!grown.isEmpty())
        viewport()->update(mapFromScene(grown).boundingRect().adjusted(-3, -3, 3, 3));
}

QPointF TrendChart::toScene(const QRectF& plot, QPointF point,
                            const trend::AxisRange& range) const {
    const double xSpan = m_xHigh - m_xLow;
    const double ySpan = range.high - range.low;
    return {plot.left() + (point.x() - m_xLow) / xSpan * plot.width(),
            plot.bottom() - (point.y() - range.low) / ySpan * plot.height()};
}

bool TrendChart::computeLine(std::size_t index, QRectF& grown) {
    Line& line = m_lines[index];
    const int columns = std::max(50, static_cast<int>(m_chart->plotArea().width()));
    const std::vector<std::vector<trend::TrendPoint>> runs =
        m_model->runs(index, m_drawnView, columns);
    // A lone reading between two failures: a dash three pixels either side.
    const double dash = seconds(m_drawnView.toMs - m_drawnView.fromMs) / columns * 3;
    const double drawnTo = line.stretches.empty() || line.stretches.back().isEmpty()
                               ? m_xLow
                               : line.stretches.back().back().x();
    std::vector<QList<QPointF>> stretches;
    for (const std::vector<trend::TrendPoint>& run : runs) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(run.size()) + 1);
        for (const trend::TrendPoint& point : run)
            points.append({seconds(point.timeMs - m_origin), point.value});
        if (points.size() == 1) {
            const QPointF only = points.front();
            points = {{only.x() - dash, only.y()}, {only.x() + dash, only.y()}};
        }
        stretches.push_back(std::move(points));
    }
    line.stretches = std::move(stretches);
    const trend::AxisRange range = m_model->axis(index, m_drawnView);
    if (range.low != line.range.low || range.high != line.range.high) {
        line.range = range;
        line.axis->setRange(range.low, range.high);
        line.axis->setTickCount(
            static_cast<int>(std::lround((range.high - range.low) / range.step)) + 1);
        line.axis->setLabelFormat(QString::fromLatin1(labelFormat(range.step)));
        return false;
    }
    // What grew since the last drawing: the pieces of line from the last point drawn on.
    const QRectF plot = plotInScene();
    for (const QList<QPointF>& stretch : line.stretches) {
        for (qsizetype i = 0; i < stretch.size(); ++i) {
            if (stretch[i].x() < drawnTo)
                continue;
            const QPointF at = toScene(plot, stretch[i], line.range);
            const QPointF before = toScene(plot, stretch[i > 0 ? i - 1 : i], line.range);
            grown |= QRectF(at, before).normalized().adjusted(-1, -1, 1, 2);
        }
    }
    return true;
}

QRectF TrendChart::plotInScene() const {
    return m_chart->mapRectToScene(m_chart->plotArea());
}

void TrendChart::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    if (!m_paintingStill)
        drawLines(painter, rect);
}

void TrendChart::paintEvent(QPaintEvent* event) {
    if (!m_stillValid || m_still.deviceIndependentSize().toSize() != viewport()->size()) {
        const qreal ratio = viewport()->devicePixelRatioF();
        m_still = QPixmap(viewport()->size() * ratio);
        m_still.setDevicePixelRatio(ratio);
        m_still.fill(kBackground);
        QPainter still(&m_still);
        m_paintingStill = true;
        render(&still, QRectF(QPointF(0, 0), viewport()->size()), viewport()->rect());
        m_paintingStill = false;
        m_stillValid = true;
    }
    QPainter painter(viewport());
    const QRect area = event->rect();
    const qreal ratio = m_still.devicePixelRatio();
    painter.drawPixmap(area, m_still,
                       QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect());
    // The scene as the view shows it: no scrolling, no transformation.
    drawLines(&painter, mapToScene(area).boundingRect());
}

void TrendChart::resizeEvent(QResizeEvent* event) {
    m_stillValid = false;
    QChartView::resizeEvent(event);
}

void TrendChart::drawLines(QPainter* painter, const QRectF& rect) {
    const QRectF plot = plotInScene();
    if (plot.width() <= 0 || plot.height() <= 0 || m_xHigh <= m_xLow)
        return;
    painter->save();
    painter->setClipRect(plot.intersected(rect));
    painter->setRenderHint(QPainter::Antialiasing, false);
    // Only the part of each line over the area repainted (a new reading's few pixels).
    const double xPerPixel = (m_xHigh - m_xLow) / plot.width();
    const double fromX = m_xLow + (rect.left() - plot.left() - 2) * xPerPixel;
    const double toX = m_xLow + (rect.right() - plot.left() + 2) * xPerPixel;
    auto byX = [](const QPointF& point, double x) { return point.x() < x; };
    QList<QPointF> pixels;
    for (const Line& line : m_lines) {
        if (line.range.high <= line.range.low)
            continue;
        // Two one-pixel lines a pixel apart: as bold as a wide pen, without its costly outline.
        painter->setPen(QPen(widgets::colorFromCode(line.colour), 1));
        for (const QList<QPointF>& stretch : line.stretches) {
            auto first = std::lower_bound(stretch.begin(), stretch.end(), fromX, byX);
            auto last = std::lower_bound(first, stretch.end(), toX, byX);
            first = first == stretch.begin() ? first : first - 1;
            last = last == stretch.end() ? last : last + 1;
            if (last - first < 2)
                continue;
            pixels.resize(last - first);
            for (qsizetype i = 0; i < pixels.size(); ++i)
                pixels[i] = toScene(plot, *(first + i), line.range);
            painter->drawPolyline(pixels.constData(), static_cast<int>(pixels.size()));
            for (QPointF& pixel : pixels)
                pixel.ry() += 1;
            painter->drawPolyline(pixels.constData(), static_cast<int>(pixels.size()));
        }
    }
    if (m_cursorX) {
        const double x = toScene(plot, {*m_cursorX, 0}, {0, 1, 1}).x();
        painter->setPen(QPen(QColor(230, 230, 230), 1, Qt::DashLine));
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter->restore();
}

std::vector<TrendChart::Drawn> TrendChart::drawn() const {
    std::vector<Drawn> drawn;
    for (const Line& line : m_lines)
        drawn.push_back({qstr(line.caption), widgets::colorFromCode(line.colour), line.range.low,
                         line.range.high, line.stretches});
    return drawn;
}

std::optional<std::int64_t> TrendChart::timeAt(QPointF position) const {
    if (m_model == nullptr)
        return std::nullopt;
    const QRectF plot = plotInScene();
    const QPointF inScene = mapToScene(position.toPoint());
    if (!plot.contains(inScene) || plot.width() <= 0)
        return std::nullopt;
    const double share = (inScene.x() - plot.left()) / plot.width();
    return m_drawnView.fromMs +
           static_cast<std::int64_t>(
               std::llround(share * static_cast<double>(m_drawnView.toMs - m_drawnView.fromMs)));
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit cursorCleared();
        return;
    }
    if (const auto time = timeAt(event->position()))
        emit cursorAt(*time);
    QChartView::mousePressEvent(event);
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        if (const auto time = timeAt(event->position()))
            emit cursorAt(*time);
    QChartView::mouseMoveEvent(event);
}

}  // namespace tvx::chart
