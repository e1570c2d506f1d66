#include "ui/trend_chart.h"

#include <QLegend>
#include <QLegendMarker>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "widgets/color_code.h"

namespace tvx::ui {
namespace {

const QColor kBackground(0, 0, 0);
const QColor kPlot(8, 9, 11);
const QColor kGrid(44, 47, 52);
const QColor kText(185, 190, 198);
const QColor kReplayRed(255, 48, 48);

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
    : QChartView(parent),
      m_chart(new QChart),
      m_time(new QValueAxis(m_chart)),
      m_cursorAxis(new QValueAxis(m_chart)),
      m_cursorLine(new QLineSeries(m_chart)) {
    setChart(m_chart);  // the view owns the chart from here
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::NoFocus);
    setBackgroundBrush(kBackground);
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
    m_time->setTickCount(7);
    m_time->setRange(-30, 0);
    m_chart->addAxis(m_time, Qt::AlignBottom);

    m_cursorAxis->setRange(0, 1);
    m_cursorAxis->setVisible(false);
    m_chart->addAxis(m_cursorAxis, Qt::AlignLeft);
    m_cursorLine->setPen(QPen(QColor(230, 230, 230), 1, Qt::DashLine));
    m_chart->addSeries(m_cursorLine);
    m_cursorLine->attachAxis(m_time);
    m_cursorLine->attachAxis(m_cursorAxis);
    for (QLegendMarker* marker : m_chart->legend()->markers(m_cursorLine))
        marker->setVisible(false);

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshDelayMs);
    connect(&m_refresh, &QTimer::timeout, this, &TrendChart::refresh);
}

void TrendChart::setModel(const trend::ChartModel* model) {
    m_model = model;
    m_drawnRevision = ~std::uint64_t{0};
    refresh();
}

void TrendChart::scheduleRefresh() {
    if (!m_refresh.isActive())
        m_refresh.start();
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
        for (QLineSeries* stretch : line.stretches) {
            m_chart->removeSeries(stretch);
            delete stretch;
        }
        m_chart->removeAxis(line.axis);
        delete line.axis;
    }
    m_lines.clear();
    QFont small = font();
    small.setPointSize(8);
    for (const trend::ChartedSeries& series : m_model->series()) {
        Line line{series.gauge, series.caption, series.colour, new QValueAxis, {}, {}};
        const QColor colour = widgets::colorFromCode(series.colour);
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
        m_lines.push_back(line);
        addStretch(m_lines.back());
    }
}

QLineSeries* TrendChart::addStretch(Line& line) {
    auto* stretch = new QLineSeries;
    stretch->setPen(QPen(widgets::colorFromCode(line.colour), 1.6));
    stretch->setName(qstr(line.caption));
    m_chart->addSeries(stretch);
    stretch->attachAxis(m_time);
    stretch->attachAxis(line.axis);
    const bool first = line.stretches.empty();
    for (QLegendMarker* marker : m_chart->legend()->markers(stretch)) {
        marker->setVisible(first);  // one entry a value
        if (first)
            connect(marker, &QLegendMarker::clicked, this,
                    [this, gauge = line.gauge] { emit takeOff(qstr(gauge)); });
    }
    line.stretches.push_back(stretch);
    return stretch;
}

void TrendChart::refresh() {
    m_refresh.stop();
    if (m_model == nullptr || m_model->revision() == m_drawnRevision)
        return;
    m_drawnRevision = m_model->revision();
    ++m_drawings;
    if (!linesMatchModel())
        rebuildLines();
    if (m_model->window() != m_drawnWindow || m_time->min() >= 0) {
        m_drawnWindow = m_model->window();
        m_time->setRange(-seconds(trend::windowMs(m_drawnWindow)), 0);
    }
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        drawLine(i);
    drawCursor();
}

void TrendChart::drawLine(std::size_t index) {
    Line& line = m_lines[index];
    const trend::ChartModel::View view = m_model->view();
    const int columns = std::max(50, static_cast<int>(m_chart->plotArea().width()));
    std::vector<std::vector<trend::TrendPoint>> runs = m_model->runs(index, columns);
    if (runs.size() > static_cast<std::size_t>(kMaxStretches))
        runs.erase(runs.begin(), runs.end() - kMaxStretches);
    // A lone reading between two failures: a dash three pixels either side.
    const double dash = seconds(view.toMs - view.fromMs) / columns * 3;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(runs[r].size()) + 1);
        for (const trend::TrendPoint& point : runs[r])
            points.append({seconds(point.timeMs - view.toMs), point.value});
        if (points.size() == 1) {
            const QPointF only = points.front();
            points = {{only.x() - dash, only.y()}, {only.x() + dash, only.y()}};
        }
        QLineSeries* stretch = r < line.stretches.size() ? line.stretches[r] : addStretch(line);
        stretch->replace(points);
    }
    for (std::size_t r = runs.size(); r < line.stretches.size(); ++r) {
        if (line.stretches[r]->count() > 0)
            line.stretches[r]->clear();
    }
    const trend::AxisRange range = m_model->axis(index);
    if (range.low != line.range.low || range.high != line.range.high) {
        line.range = range;
        line.axis->setRange(range.low, range.high);
        line.axis->setTickCount(
            static_cast<int>(std::lround((range.high - range.low) / range.step)) + 1);
        line.axis->setLabelFormat(QString::fromLatin1(labelFormat(range.step)));
    }
}

void TrendChart::drawCursor() {
    const std::optional<std::int64_t> cursor = m_model->cursor();
    const trend::ChartModel::View view = m_model->view();
    if (!cursor || *cursor < view.fromMs || *cursor > view.toMs) {
        if (m_cursorLine->count() > 0)
            m_cursorLine->clear();
        return;
    }
    const double x = seconds(*cursor - view.toMs);
    m_cursorLine->replace(QList<QPointF>{{x, 0.0}, {x, 1.0}});
}

std::vector<TrendChart::Drawn> TrendChart::drawn() const {
    std::vector<Drawn> drawn;
    for (const Line& line : m_lines) {
        Drawn out{qstr(line.caption),
                  widgets::colorFromCode(line.colour),
                  line.axis->min(),
                  line.axis->max(),
                  {}};
        for (const QLineSeries* stretch : line.stretches)
            if (stretch->count() > 0)
                out.stretches.push_back(stretch->points());
        drawn.push_back(std::move(out));
    }
    return drawn;
}

std::optional<std::int64_t> TrendChart::timeAt(QPointF position) const {
    if (m_model == nullptr)
        return std::nullopt;
    const QRectF plot = m_chart->plotArea();
    const QPointF inScene = mapToScene(position.toPoint());
    const QPointF inChart = m_chart->mapFromScene(inScene);
    if (!plot.contains(inChart) || plot.width() <= 0)
        return std::nullopt;
    const trend::ChartModel::View view = m_model->view();
    const double share = (inChart.x() - plot.left()) / plot.width();
    return view.fromMs + static_cast<std::int64_t>(
                             std::llround(share * static_cast<double>(view.toMs - view.fromMs)));
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

}  // namespace tvx::ui
