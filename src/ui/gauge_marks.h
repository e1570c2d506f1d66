#pragma once

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "session/gauge.h"
#include "trend/chart_model.h"

class QFrame;

namespace tvx::ui {

class TForm1;

// The marks the live-data pages' gauges carry besides their values:
//  - stale: a gauge whose value is not fresh (not read yet, last read failed, line lost) is
//    dimmed to a third of its colour and its panel's border is dashed, so an old value is
//    never taken for a live one;
//  - charted: the panel of a gauge on the chart is framed in the colour of its line;
//  - paused: a gauge fast mode does not poll keeps its last value in grey, its panel's
//    border dotted, with a tooltip saying why.
// It also turns a click on a gauge panel into gaugeClicked. GUI thread only.
class GaugeMarks : public QObject {
    Q_OBJECT

public:
    explicit GaugeMarks(TForm1& form);

    // Every gauge of that name (the pages share some) is marked stale or fresh.
    void setStale(session::Gauge gauge, bool stale);
    // Paused: fast mode does not poll it. Drawn grey with a dotted border, apart from stale.
    void setPaused(session::Gauge gauge, bool paused, const QString& why = {});
    // Frames the panels of the charted values in their colours, and unframes the others.
    void setCharted(const std::vector<trend::ChartedSeries>& series);
    // Every gauge fresh and no panel framed.
    void clearAll();

    // What a gauge panel shows of itself: its caption (in the language shown) and the
    // colour of its lit segments, for the chart.
    struct GaugeFace {
        QString caption;
        std::uint32_t colour = 0;
    };
    GaugeFace face(session::Gauge gauge) const;

signals:
    void gaugeClicked(tvx::session::Gauge gauge);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Mark {
        QFrame* panel = nullptr;
        QWidget* gauge = nullptr;
        QColor lit;  // the gauge's own colour
        bool stale = false;
        bool paused = false;
        QColor framed;  // invalid: not charted
    };
    void apply(Mark& mark);

    std::map<session::Gauge, std::vector<Mark>> m_marks;
    QHash<QObject*, session::Gauge> m_gaugeOfPanel;
};

}  // namespace tvx::ui
