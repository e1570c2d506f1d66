#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace tvx::chart {
class TrendChart;
}

namespace tvx::ui {

class FittedLabel;

// The controls of the live-data chart, recording and replay. They sit in frames of their own
// below the work area (TForm1::layOutTrend places them) and never over a named control of
// the tester. Object names in brackets.
struct TrendArea {
    // The bar under the work area.
    QFrame* bar = nullptr;                  // (trendBar)
    QPushButton* record = nullptr;          // (recordLive) checkable: down while recording
    QPushButton* gaugesOnly = nullptr;      // (gaugesOnly)   } which of gauges and chart
    QPushButton* gaugesAndChart = nullptr;  // (gaugesAndChart) } show: one of the three is
    QPushButton* chartOnly = nullptr;       // (chartOnly)    } down
    QPushButton* exportCsv = nullptr;       // (exportCsv)
    QPushButton* openRecording = nullptr;   // (openRecording)
    FittedLabel* status = nullptr;          // (trendStatus) wrapped, whole in its tooltip

    // The replay's bar, shown only while a recording plays back.
    QFrame* replayBar = nullptr;         // (replayBar)
    QLabel* replayMark = nullptr;        // (replayMark) "REPLAY"
    QPushButton* play = nullptr;         // (replayPlay) checkable: down while playing
    QPushButton* stepBack = nullptr;     // (replayStepBack)
    QPushButton* step = nullptr;         // (replayStep)
    QPushButton* speed = nullptr;        // (replaySpeed) "x1", "x2" ...
    QSlider* seek = nullptr;             // (replaySeek) position in ms
    QLabel* position = nullptr;          // (replayPosition) "01:23 / 05:00"
    QPushButton* closeReplay = nullptr;  // (replayClose)

    // The chart with its own controls.
    QFrame* chartArea = nullptr;         // (chartArea)
    QPushButton* window30s = nullptr;    // (chartWindow30s)  } the time shown: one of the
    QPushButton* window2min = nullptr;   // (chartWindow2min) } three is down
    QPushButton* window10min = nullptr;  // (chartWindow10min)}
    QPushButton* pause = nullptr;        // (chartPause) checkable: down while frozen
    QPushButton* values = nullptr;       // (chartValues) a menu of the page's values: on/off
    QPushButton* fast = nullptr;         // (chartFast) checkable: down while only the charted
                                         // values are polled
    QLabel* rates = nullptr;             // (chartRates) samples per second of each charted value
    QLabel* cursor = nullptr;            // (chartCursor) the values at the cursor
    tvx::chart::TrendChart* chart = nullptr;  // (liveChart)
    QLabel* ended = nullptr;  // (chartEnded) over the chart: the values are the last page's
};

// Builds the controls as children of the window, hidden until placed.
TrendArea buildTrendArea(QWidget* window);

}  // namespace tvx::ui
