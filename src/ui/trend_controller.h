#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/clock.h"
#include "trend/chart_model.h"
#include "trend/live_recorder.h"
#include "trend/live_recording.h"
#include "trend/recording_file.h"
#include "trend/recording_store.h"
#include "trend/replay_engine.h"
#include "trend/sample_rate.h"
#include "trend/stale_gauges.h"
#include "ui/form_view.h"
#include "ui/gauge_marks.h"
#include "ui/live_tap.h"
#include "ui/window_snapshot.h"

namespace tvx::ui {

class TForm1;
struct TrendArea;

// Behind the live-data chart, recording and replay of the window:
//  - live readings reach the chart and the gauges' stale marks through a LiveTap;
//  - a click on a gauge puts its value on the chart or takes it off;
//  - the record button records the page through the recording store, until it is pressed
//    again, the line is lost, or the mechanic leaves the page;
//  - a recording opened plays back into the same gauges and chart while the session is held
//    still (it takes no clicks, so nothing goes on the line), with the window marked REPLAY
//    everywhere; closing the replay puts the window back as the session left it.
class TrendController final : public QObject, private LiveSink, private trend::ReplaySink {
    Q_OBJECT

public:
    // How the session is held still for a replay: hold(done) calls done(true) on the GUI
    // thread once the session waits for the operator and takes no more commands, done(false)
    // when it is busy (polling a page, counting down); release() lets it go again.
    struct SessionHold {
        std::function<void(std::function<void(bool)>)> hold;
        std::function<void()> release;
    };

    // Where each of gauges and chart shows.
    enum class Place { Gauges, GaugesAndChart, Chart };

    // `recordingsFolder`: where the file dialogs begin.
    TrendController(TForm1& form, const link::Clock& sessionClock,
                    std::unique_ptr<trend::RecordingStore> store, QString recordingsFolder,
                    SessionHold hold);
    ~TrendController() override;

    // Attach both to the session before it runs.
    session::SessionEvents& liveTap() { return m_tap; }
    trend::LiveRecorder& recorder() { return m_recorder; }

    // Asked for a file; an empty answer cancels. Dialogs by default; tests answer themselves.
    std::function<QString()> askExportFile;
    std::function<QString()> askRecordingFile;
    // Asks the session to poll only these gauges of its page (fast mode), or the whole page
    // when empty; the tester controller posts it to the session's worker.
    std::function<void(std::vector<session::Gauge>)> focusLive;

    // Opens a recording and plays it back (the open button does this with the file asked for).
    void openRecording(const QString& file);
    void closeReplay();
    bool replaying() const { return m_engine != nullptr; }
    trend::ReplayEngine* replay() { return m_engine.get(); }

    void setPlace(Place place);
    Place place() const { return m_place; }
    const trend::ChartModel& chartModel() const { return m_chart; }
    // The status line in full (the label may show it shortened).
    const QString& status() const { return m_statusText; }
    LiveTap& tap() { return m_tap; }

signals:
    // The status line changed (what was recorded, exported, refused ...).
    void statusShown(QString text);

private:
    // LiveSink
    void livePageStarted(const session::LivePage& page, bool demo) override;
    void liveReading(const trend::Reading& reading) override;
    void liveLineLost(std::uint64_t timeMs) override;
    void liveBatchDone() override;
    void liveFocusChanged(bool whole, const std::vector<session::Gauge>& paused) override;
    // ReplaySink
    void replayStarted(const session::LivePage& page) override;
    void replayReading(const trend::Reading& reading) override;
    void replayMoved(std::uint64_t positionMs) override;

    void connectControls();
    void connectChart();   // the chart's cursor, time window, pause and place
    void connectReplay();  // play, step, speed, seek, close
    void redrawChart();    // after a change of what it shows: the chart and its cursor values
    bool eventFilter(QObject* watched, QEvent* event) override;
    void toggleGauge(session::Gauge gauge);
    void record(bool on);
    void exportCsv();
    void askAndOpen();
    void beginReplay(std::shared_ptr<trend::RecordingFile> recording, const QString& file);
    void replayTick();
    void afterReplayMoved();
    void showMarks();
    void markLiveEnd();
    // The chart bar's menu of values (trend_controller_values.cpp).
    void connectValues();
    void fillValuesMenu();
    void showCursor();
    // Fast mode (trend_controller_fast.cpp).
    void connectFast();
    void fast(bool on);
    void focusOnChart();  // the charted values polled alone, or fast mode ends without any
    void showRates();
    void showPaused(bool paused);  // marks the gauges fast mode does not poll, or unmarks them
    void showStatus(const QString& text);
    void showRecordingEnd(const trend::LiveRecorder::Ended& ended);
    void updateRecording();
    void updateControls();
    void layOut();
    bool liveFrameShown() const;
    char language() const;
    const session::LivePage* pageShown() const;

    TForm1& m_form;
    const TrendArea& m_area;
    FormView m_view;
    GaugeMarks m_marks;
    trend::ChartModel m_chart;
    trend::StaleGauges m_stale;
    trend::SampleRate m_rates;
    QElapsedTimer m_ratesShown;            // when the rates were last shown
    bool m_fast = false;                   // the session polls only the charted values
    std::vector<session::Gauge> m_paused;  // the gauges it does not poll meanwhile
    std::unique_ptr<trend::RecordingStore> m_store;
    trend::LiveRecorder m_recorder;
    LiveTap m_tap;
    QString m_recordingsFolder;
    QString m_statusText;
    std::optional<QString> m_openHint;  // the open button's own tooltip while live data hides it
    SessionHold m_hold;
    Place m_place = Place::Gauges;
    std::vector<QWidget*> m_liveFrames;  // Frame61, Frame71, Frame81
    std::uint64_t m_shownRevision = 0;   // of the chart, as last drawn

    const session::LivePage* m_livePage = nullptr;
    bool m_liveDemo = false;
    bool m_wasRecording = false;
    std::string m_lastRecording;  // id of the last recording that ended
    QTimer m_recordingClock;

    std::shared_ptr<trend::RecordingFile> m_replayed;  // read from the disk as it plays
    std::unique_ptr<trend::ReplayEngine> m_engine;
    const session::LivePage* m_replayPage = nullptr;
    QTimer m_replayTimer;
    QElapsedTimer m_replayWall;
    WindowSnapshot m_snapshot;
    trend::StaleGauges m_liveStale;  // the live marks, kept during a replay
    bool m_holding = false;          // waiting for the session to hold still
};

}  // namespace tvx::ui
