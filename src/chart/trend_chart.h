#pragma once

#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QTimer>
#include <QValueAxis>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trend/chart_model.h"

namespace tvx::chart {

// Draws a ChartModel in the tester's dark look and the gauges' colours: every charted value
// a line with an axis of its own (left, right, left ...) titled with its gauge's caption,
// time along the bottom in seconds since the page began. A line breaks wherever a read
// failed or the line was lost; a lone good reading between two failures is a short dash.
// A click in the plot sets the cursor.
//
// Drawn as a strip chart: the lines grow to the right and the window moves on a tenth of
// its width at a time, so a new reading repaints only the few pixels of its new piece of
// line, and the whole plot is repainted a few times a minute. Qt Charts lays out and paints
// the plot, the axes, the grid and the legend, which are kept as a picture until they
// change; the lines are drawn over them as plain polylines (Qt Charts' own line series
// rebuild a hit-test outline of every line on each change, which costs more than the rest of
// the window at the pace live data comes in).
class TrendChart : public QChartView {
    Q_OBJECT

public:
    // Drawings are at least kFrameMs apart: a change is drawn at once when the last drawing
    // is older, else when it is that old (changes meanwhile coalesce). A new reading is on the
    // screen within kFrameMs and a drawing's time, however many come.
    static constexpr int kFrameMs = 40;

    explicit TrendChart(QWidget* parent = nullptr);

    void setModel(const trend::ChartModel* model);
    // Redraws from the model now or at the next frame, once however often it is asked.
    void scheduleRefresh();
    // Redraws now, when the model changed since the last drawing.
    void refresh();
    // Marks the chart as a replay: "REPLAY" above it in red.
    void setReplay(bool replay);

    // What is drawn, line by line, for tests and pictures.
    struct Drawn {
        QString caption;
        QColor colour;
        double axisLow = 0;
        double axisHigh = 0;
        std::vector<QList<QPointF>> stretches;  // x in seconds since the page began
    };
    std::vector<Drawn> drawn() const;
    // Drawings made so far, and how many of them repainted the whole plot.
    std::uint64_t drawings() const { return m_drawings; }
    std::uint64_t fullDrawings() const { return m_fullDrawings; }
    // The stretch of time drawn (it may end after the newest reading).
    trend::ChartModel::View drawnView() const { return m_drawnView; }

signals:
    void cursorAt(std::int64_t timeMs);
    void cursorCleared();
    // A click on a line's entry in the legend: take the value off the chart.
    void takeOff(tvx::session::Gauge gauge);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Line {
        session::Gauge gauge{};
        std::string caption;
        std::uint32_t colour = 0;
        QValueAxis* axis = nullptr;
        QLineSeries* legend = nullptr;  // no points: its legend entry and its axis
        trend::AxisRange range{};
        std::vector<QList<QPointF>> stretches;
    };
    bool linesMatchModel() const;
    void rebuildLines();
    trend::ChartModel::View viewToDraw() const;
    // Takes the line's stretches and axis from the model; false when its axis changed.
    bool computeLine(std::size_t index, QRectF& grown);
    QRectF plotInScene() const;
    void drawLines(QPainter* painter, const QRectF& rect);
    QPointF toScene(const QRectF& plot, QPointF point, const trend::AxisRange& range) const;
    std::optional<std::int64_t> timeAt(QPointF position) const;

    const trend::ChartModel* m_model = nullptr;
    QChart* m_chart;
    QValueAxis* m_time;
    std::vector<Line> m_lines;
    std::optional<double> m_cursorX;  // seconds since the page began
    trend::ChartModel::View m_drawnView{-30000, 0};
    std::int64_t m_origin = 0;
    double m_xLow = -30;  // the time axis, seconds since the page began
    double m_xHigh = 0;
    // Everything but the lines, as last painted by Qt Charts: a new reading's repaint copies
    // its few pixels from here and draws the lines over them.
    QPixmap m_still;
    bool m_stillValid = false;
    bool m_paintingStill = false;
    QTimer m_refresh;
    QElapsedTimer m_sinceDrawn;
    std::uint64_t m_drawnRevision = ~std::uint64_t{0};
    std::uint64_t m_drawings = 0;
    std::uint64_t m_fullDrawings = 0;
};

}  // namespace tvx::chart
