#pragma once

#include <QChartView>
#include <QLineSeries>
#include <QList>
#include <QPointF>
#include <QTimer>
#include <QValueAxis>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trend/chart_model.h"

namespace tvx::ui {

// Draws a ChartModel with Qt Charts, in the tester's dark look and the gauges' colours:
// every charted value a line with an axis of its own (left, right, left ...) titled with its
// gauge's caption, time along the bottom in seconds before the view's end. A line breaks
// wherever a read failed or the line was lost; a lone good reading between two failures is
// a short dash. A click in the plot sets the cursor.
class TrendChart : public QChartView {
    Q_OBJECT

public:
    // A line is drawn in stretches; beyond this many in view only the newest are drawn.
    static constexpr int kMaxStretches = 64;
    // A change is drawn this long after it was asked for at the most (changes coalesce).
    static constexpr int kRefreshDelayMs = 15;

    explicit TrendChart(QWidget* parent = nullptr);

    void setModel(const trend::ChartModel* model);
    // Redraws from the model within kRefreshDelayMs, once however often it is asked.
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
        std::vector<QList<QPointF>> stretches;  // x in seconds before the view's end
    };
    std::vector<Drawn> drawn() const;
    // Drawings made so far (each costs a repaint).
    std::uint64_t drawings() const { return m_drawings; }

signals:
    void cursorAt(std::int64_t timeMs);
    void cursorCleared();
    // A click on a line's entry in the legend: take the value off the chart.
    void takeOff(QString gauge);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Line {
        std::string_view gauge;
        std::string caption;
        std::uint32_t colour = 0;
        QValueAxis* axis = nullptr;
        std::vector<QLineSeries*> stretches;
        trend::AxisRange range{};
    };
    bool linesMatchModel() const;
    void rebuildLines();
    QLineSeries* addStretch(Line& line);
    void drawLine(std::size_t index);
    void drawCursor();
    std::optional<std::int64_t> timeAt(QPointF position) const;

    const trend::ChartModel* m_model = nullptr;
    QChart* m_chart;
    QValueAxis* m_time;
    QValueAxis* m_cursorAxis;  // 0..1, hidden: the cursor's line spans the plot
    QLineSeries* m_cursorLine;
    std::vector<Line> m_lines;
    QTimer m_refresh;
    std::uint64_t m_drawnRevision = ~std::uint64_t{0};
    std::uint64_t m_drawings = 0;
    trend::TimeWindow m_drawnWindow = trend::TimeWindow::Seconds30;
};

}  // namespace tvx::ui
