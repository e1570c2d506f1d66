#include "ui/trend_controller.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTime>
#include <cmath>

#include "chart/trend_chart.h"
#include "session/captions.h"
#include "ui/fitted_label.h"
#include "ui/qt_translation.h"
#include "ui/tform1.h"
#include "ui/trend_area.h"
#include "ui/trend_texts.h"
#include "widgets/color_code.h"
#include "widgets/dot_matrix.h"

namespace tvx::ui {
namespace {

constexpr int kReplayTickMs = 40;
constexpr int kRatesEveryMs = 500;
const char* const kLiveFrames[] = {"Frame61", "Frame71", "Frame81"};
const QColor kReplayDisplayColour(255, 255, 0);

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "01:23", or "1:02:03" past an hour.
QString clockText(std::uint64_t ms) {
    const std::uint64_t seconds = ms / 1000;
    const auto hours = static_cast<int>(seconds / 3600);
    const auto minutes = static_cast<int>(seconds / 60 % 60);
    const auto rest = static_cast<int>(seconds % 60);
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

QString speedText(double speed) {
    return QStringLiteral("x%1").arg(speed);
}

}  // namespace

TrendController::TrendController(TForm1& form, const link::Clock& sessionClock,
                                 std::unique_ptr<trend::RecordingStore> store,
                                 QString recordingsFolder, SessionHold hold)
    : m_form(form),
      m_area(form.trendArea()),
      m_view(form),
      m_marks(form),
      m_store(std::move(store)),
      m_recorder(*m_store, sessionClock),
      m_tap(*this, sessionClock),
      m_recordingsFolder(std::move(recordingsFolder)),
      m_hold(std::move(hold)) {
    askExportFile = [this] {
        useQtTranslation(language());
        return QFileDialog::getSaveFileName(&m_form, m_area.exportCsv->text(), m_recordingsFolder,
                                            QStringLiteral("CSV (*.csv)"));
    };
    askRecordingFile = [this] {
        useQtTranslation(language());
        return QFileDialog::getOpenFileName(&m_form, m_area.openRecording->text(),
                                            m_recordingsFolder, QStringLiteral("CSV (*.csv)"));
    };
    m_area.chart->setModel(&m_chart);
    connectControls();
    for (const char* name : kLiveFrames) {
        if (QWidget* frame = m_form.findChild<QWidget*>(QString::fromLatin1(name))) {
            frame->installEventFilter(this);
            m_liveFrames.push_back(frame);
        }
    }
    m_recordingClock.setInterval(500);
    connect(&m_recordingClock, &QTimer::timeout, this, &TrendController::updateRecording);
    m_replayTimer.setInterval(kReplayTickMs);
    connect(&m_replayTimer, &QTimer::timeout, this, &TrendController::replayTick);
    layOut();
    updateControls();
}

TrendController::~TrendController() {
    m_replayTimer.stop();
    m_recorder.stop();
}

void TrendController::connectControls() {
    connectChart();
    connectFast();
    connectValues();
    connect(m_area.record, &QPushButton::clicked, this, &TrendController::record);
    connect(m_area.exportCsv, &QPushButton::clicked, this, &TrendController::exportCsv);
    connect(m_area.openRecording, &QPushButton::clicked, this, &TrendController::askAndOpen);
    connectReplay();
}

void TrendController::connectChart() {
    connect(&m_marks, &GaugeMarks::gaugeClicked, this, &TrendController::toggleGauge);
    connect(m_area.chart, &chart::TrendChart::takeOff, this, &TrendController::toggleGauge);
    connect(m_area.chart, &chart::TrendChart::cursorAt, this, [this](std::int64_t timeMs) {
        m_chart.setCursor(timeMs);
        redrawChart();
    });
    connect(m_area.chart, &chart::TrendChart::cursorCleared, this, [this] {
        m_chart.setCursor(std::nullopt);
        redrawChart();
    });
    const std::pair<QPushButton*, trend::TimeWindow> windows[] = {
        {m_area.window30s, trend::TimeWindow::Seconds30},
        {m_area.window2min, trend::TimeWindow::Minutes2},
        {m_area.window10min, trend::TimeWindow::Minutes10}};
    for (const auto& [button, window] : windows) {
        connect(button, &QPushButton::clicked, this, [this, window = window] {
            m_chart.setWindow(window);
            redrawChart();
        });
    }
    connect(m_area.pause, &QPushButton::clicked, this, [this](bool paused) {
        paused ? m_chart.pause() : m_chart.resume();
        redrawChart();
    });
    const std::pair<QPushButton*, Place> places[] = {{m_area.gaugesOnly, Place::Gauges},
                                                     {m_area.gaugesAndChart, Place::GaugesAndChart},
                                                     {m_area.chartOnly, Place::Chart}};
    for (const auto& [button, place] : places)
        connect(button, &QPushButton::clicked, this, [this, place = place] { setPlace(place); });
}

void TrendController::redrawChart() {
    m_area.chart->refresh();
    showCursor();
}

void TrendController::connectReplay() {
    connect(m_area.play, &QPushButton::clicked, this, [this](bool play) {
        if (!m_engine)
            return;
        if (play) {
            m_engine->play();
            m_replayWall.start();
            m_replayTimer.start();
        } else {
            m_engine->pause();
        }
        afterReplayMoved();
    });
    // A button that moves the replay, when there is one.
    const auto moves = [this](auto move) {
        return [this, move] {
            if (m_engine) {
                move(*m_engine);
                afterReplayMoved();
            }
        };
    };
    connect(m_area.step, &QPushButton::clicked, this,
            moves([](trend::ReplayEngine& engine) { engine.step(); }));
    connect(m_area.stepBack, &QPushButton::clicked, this,
            moves([](trend::ReplayEngine& engine) { engine.stepBack(); }));
    connect(m_area.speed, &QPushButton::clicked, this,
            moves([](trend::ReplayEngine& engine) { engine.nextSpeed(); }));
    // A drag seeks once, where it is let go; a click beside the handle at once.
    const auto seek = moves([this](trend::ReplayEngine& engine) {
        engine.seek(static_cast<std::uint64_t>(m_area.seek->value()));
    });
    connect(m_area.seek, &QSlider::sliderReleased, this, seek);
    connect(m_area.seek, &QSlider::valueChanged, this, [this, seek] {
        if (!m_area.seek->isSliderDown())
            seek();
    });
    connect(m_area.closeReplay, &QPushButton::clicked, this, &TrendController::closeReplay);
}

bool TrendController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        // The mechanic left the live page: what was recorded of it is complete.
        if (!replaying() && m_recorder.recording() && !liveFrameShown()) {
            m_area.record->setChecked(false);
            record(false);
        }
        markLiveEnd();
        layOut();
        updateControls();
    }
    return QObject::eventFilter(watched, event);
}

// Once the mechanic leaves live data, what the chart still shows is the last page's, up to
// the moment it was left; a live page takes the mark away.
void TrendController::markLiveEnd() {
    if (replaying())
        return;
    if (liveFrameShown()) {
        m_area.ended->hide();
    } else if (m_area.ended->isHidden() && !m_chart.series().empty()) {
        m_area.ended->setText(trendText(TrendText::LastPage, language())
                                  .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
        m_area.ended->show();
        m_rates.clear();
        showRates();
    }
}

// ---------------------------------------------------------------------------------------
// Live data.

void TrendController::livePageStarted(const session::LivePage& page, bool demo) {
    const bool samePage = &page == m_livePage;
    m_livePage = &page;
    m_liveDemo = demo;
    if (replaying())
        return;
    const std::vector<session::Gauge> gauges = trend::pageGauges(page);
    m_chart.startPage(gauges, samePage);
    m_stale.startPage(gauges);
    m_rates.clear();
    m_marks.setCharted(m_chart.series());
}

void TrendController::liveReading(const trend::Reading& reading) {
    if (replaying())
        return;  // the session is held still: nothing should come
    m_chart.add(reading);
    m_stale.reading(reading.gauge, reading.failed);
    m_rates.reading(reading.gauge, reading.timeMs, reading.failed);
}

void TrendController::liveLineLost(std::uint64_t timeMs) {
    if (replaying())
        return;
    m_chart.lineLost(static_cast<std::int64_t>(timeMs));
    m_stale.lineLost();
}

void TrendController::liveBatchDone() {
    showMarks();
    // Most readings are of values off the chart: those leave it as it is. The cursor's
    // read-out stays too: new readings come after its time.
    if (m_chart.revision() != m_shownRevision) {
        m_shownRevision = m_chart.revision();
        m_area.chart->scheduleRefresh();
    }
    updateRecording();
    updateControls();
    // In fast mode a batch comes with nearly every reading: the rates, which move with each,
    // are shown twice a second.
    if (!m_ratesShown.isValid() || m_ratesShown.elapsed() >= kRatesEveryMs)
        showRates();
}

// ---------------------------------------------------------------------------------------
// The chart and the gauges.

const session::LivePage* TrendController::pageShown() const {
    return replaying() ? m_replayPage : m_livePage;
}

void TrendController::toggleGauge(session::Gauge gauge) {
    const session::LivePage* page = pageShown();
    if (page == nullptr || !trend::pageShows(*page, gauge))
        return;
    const GaugeMarks::GaugeFace face = m_marks.face(gauge);
    switch (m_chart.toggle(gauge, face.caption.toStdString(), face.colour)) {
        case trend::ChartModel::Toggle::Full:
            showStatus(trendText(TrendText::ChartFull, language()));
            break;
        case trend::ChartModel::Toggle::Added:
            if (m_place == Place::Gauges)
                setPlace(Place::GaugesAndChart);
            break;
        case trend::ChartModel::Toggle::Removed:
            break;
    }
    m_marks.setCharted(m_chart.series());
    m_area.chart->refresh();
    showCursor();
    if (m_fast)
        focusOnChart();
    showRates();
}

void TrendController::showMarks() {
    for (const auto& [gauge, stale] : m_stale.takeChanges())
        m_marks.setStale(gauge, stale);
}

void TrendController::showCursor() {
    if (m_chart.series().empty() || !m_chart.cursor()) {
        m_area.cursor->clear();
        return;
    }
    const std::int64_t at = *m_chart.cursor();
    QString text = QStringLiteral("<span style=\"color:#e6e6e6\">%1 s</span>")
                       .arg(static_cast<double>(at - m_chart.origin()) / 1000.0, 0, 'f', 1);
    const auto values = m_chart.valuesAt(at);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const trend::ChartedSeries& series = m_chart.series()[i];
        text += QStringLiteral("&nbsp;&nbsp; <span style=\"color:%1\">%2&nbsp;<b>%3</b></span>")
                    .arg(widgets::colorFromCode(series.colour).name(),
                         qstr(series.caption).toHtmlEscaped(),
                         values[i].text.empty() ? QStringLiteral("&nbsp;") : qstr(values[i].text));
    }
    m_area.cursor->setText(text);
}

void TrendController::setPlace(Place place) {
    m_place = place;
    QPushButton* down = place == Place::Gauges           ? m_area.gaugesOnly
                        : place == Place::GaugesAndChart ? m_area.gaugesAndChart
                                                         : m_area.chartOnly;
    down->setChecked(true);
    layOut();
    m_area.chart->refresh();
}

bool TrendController::liveFrameShown() const {
    return std::any_of(m_liveFrames.begin(), m_liveFrames.end(),
                       [](const QWidget* frame) { return !frame->isHidden(); });
}

void TrendController::layOut() {
    const bool live = replaying() || liveFrameShown();
    TForm1::TrendLayout layout;
    layout.replayBar = replaying();
    layout.chartBelow = m_place == Place::GaugesAndChart;
    layout.chartOverWorkArea = m_place == Place::Chart && live;
    m_form.layOutTrend(layout);
}

// ---------------------------------------------------------------------------------------
// Recording and export.

char TrendController::language() const {
    for (const session::ControlText& caption : session::captions())
        if (caption.control == "recordLive")
            return m_area.record->text() == qstr(caption.turkish) ? '2' : '1';
    return '1';
}

void TrendController::showStatus(const QString& text) {
    if (text == m_statusText) {
        return;  // the recording's clock is asked for with every batch of readings
    }
    m_area.status->setFullText(text);  // wrapped; whole in its tooltip
    m_statusText = text;
    emit statusShown(text);
}

void TrendController::record(bool on) {
    if (on) {
        std::string error;
        if (!m_recorder.start(error)) {
            m_area.record->setChecked(false);
            showStatus(trendText(TrendText::CannotRecord, language()).arg(qstr(error)));
            return;
        }
        m_wasRecording = true;
        m_recordingClock.start();
        updateRecording();
    } else if (const auto ended = m_recorder.stop()) {
        m_wasRecording = false;
        m_recordingClock.stop();
        showRecordingEnd(*ended);
    }
    updateControls();
}

void TrendController::updateRecording() {
    if (!m_wasRecording)
        return;
    if (m_recorder.recording()) {
        // The recorder's duration: what the file and the record will say.
        showStatus(
            QStringLiteral("\u25CF REC %1").arg(clockText(m_recorder.progress().durationMs)));
        return;
    }
    // Ended by itself: the line was lost or another page began.
    m_wasRecording = false;
    m_recordingClock.stop();
    m_area.record->setChecked(false);
    if (const auto ended = m_recorder.lastEnded())
        showRecordingEnd(*ended);
}

void TrendController::showRecordingEnd(const trend::LiveRecorder::Ended& ended) {
    m_lastRecording = ended.id;
    const char lang = language();
    if (!ended.kept) {
        showStatus(trendText(TrendText::RecordingNotKept, lang).arg(qstr(ended.error)));
        return;
    }
    const TrendText text =
        ended.reason == trend::LiveRecorder::EndReason::LineLost      ? TrendText::RecordingLineLost
        : ended.reason == trend::LiveRecorder::EndReason::PageChanged ? TrendText::RecordingNewPage
        : ended.reason == trend::LiveRecorder::EndReason::ValuesChanged
            ? TrendText::RecordingNewValues
            : TrendText::RecordingSaved;
    showStatus(trendText(text, lang).arg(ended.cycles).arg(qstr(ended.id)));
    updateControls();
}

void TrendController::exportCsv() {
    // A replay's recording is written from its file a cycle at a time; the last one recorded
    // is read back whole.
    std::optional<trend::LiveRecording> recording;
    if (!m_replayed) {
        trend::RecordingRead read = m_store->readLiveRecording(m_lastRecording);
        if (!read.recording) {
            showStatus(trendText(TrendText::CannotExport, language()).arg(qstr(read.error)));
            return;
        }
        recording = std::move(read.recording);
    }
    const QString file = askExportFile ? askExportFile() : QString();
    if (file.isEmpty())
        return;
    std::string error;
    std::error_code unknown;
    bool exported = false;
    if (!m_replayed)
        exported = trend::exportRecordingCsv(*recording, file.toStdString(), error);
    else if (std::filesystem::equivalent(file.toStdString(), m_replayed->file(), unknown))
        error = file.toStdString() + " is the recording being replayed: it would be lost";
    else
        exported = trend::exportRecordingCsv(*m_replayed, file.toStdString(), error);
    if (exported)
        showStatus(trendText(TrendText::Exported, language()).arg(file));
    else
        showStatus(trendText(TrendText::CannotExport, language()).arg(qstr(error)));
}

void TrendController::updateControls() {
    const bool replay = replaying();
    const bool recording = m_recorder.recording();
    m_area.record->setEnabled(
        !replay && !m_holding &&
        (recording || (m_livePage != nullptr && !m_liveDemo && liveFrameShown())));
    m_area.exportCsv->setEnabled(replay || !m_lastRecording.empty());
    // A replay holds the session still, which it cannot be while it polls a page.
    const bool live = m_livePage != nullptr && liveFrameShown();
    m_area.openRecording->setEnabled(!replay && !recording && !m_holding && !live);
    if (live && !replay) {
        if (!m_openHint)
            m_openHint = m_area.openRecording->toolTip();  // the session's hint, back after
        m_area.openRecording->setToolTip(trendText(TrendText::OpenNeedsNoLive, language()));
    } else if (m_openHint) {
        m_area.openRecording->setToolTip(*m_openHint);
        m_openHint.reset();
    }
    m_area.fast->setEnabled(!replay && !m_holding && live);
    m_area.values->setEnabled(replay || live);
}

// ---------------------------------------------------------------------------------------
// Replay.

void TrendController::askAndOpen() {
    const QString file = askRecordingFile ? askRecordingFile() : QString();
    if (!file.isEmpty())
        openRecording(file);
}

void TrendController::openRecording(const QString& file) {
    if (replaying() || m_holding || m_recorder.recording())
        return;
    // Read through once: a damaged file is refused before the session is held.
    std::string error;
    std::shared_ptr<trend::RecordingFile> recording =
        trend::RecordingFile::open(file.toStdString(), error);
    if (!recording) {
        showStatus(trendText(TrendText::CannotReplay, language()).arg(qstr(error)));
        return;
    }
    m_holding = true;
    updateControls();
    m_hold.hold([this, recording, file](bool held) {
        m_holding = false;
        if (!held) {
            showStatus(trendText(TrendText::SessionBusy, language()));
            updateControls();
            return;
        }
        beginReplay(recording, file);
    });
}

void TrendController::beginReplay(std::shared_ptr<trend::RecordingFile> recording,
                                  const QString& file) {
    const char lang = language();
    m_area.ended->hide();
    m_liveStale = m_stale;
    m_snapshot.take(m_form, {m_area.bar, m_area.replayBar, m_area.chartArea});
    // Nothing of the session's can be used while the replay has the window.
    for (QWidget* widget : m_form.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) ||
                             qobject_cast<QGroupBox*>(widget) || qobject_cast<QLineEdit*>(widget);
        if (control && !widget->objectName().isEmpty() &&
            widget->objectName() != QLatin1String("EXIT") && !m_area.bar->isAncestorOf(widget) &&
            !m_area.replayBar->isAncestorOf(widget) && !m_area.chartArea->isAncestorOf(widget))
            widget->setEnabled(false);
    }
    m_form.setWindowTitle(m_form.windowTitle() + QStringLiteral("  \u2014  REPLAY"));
    for (int line = 1; line <= 4; ++line) {
        m_form.displayLine(line)->setOnColor(kReplayDisplayColour);
        m_form.displayLine(line)->setValue(replayDisplayLine(line, lang));
    }
    m_replayed = std::move(recording);
    trend::ReplaySink& sink = *this;
    m_engine = std::make_unique<trend::ReplayEngine>(*m_replayed, sink);
    m_area.chart->setReplay(true);
    m_area.pause->setChecked(false);
    m_chart.resume();
    {
        const QSignalBlocker quiet(m_area.seek);
        m_area.seek->setRange(
            0, static_cast<int>(std::min<std::uint64_t>(m_engine->duration(), INT32_MAX)));
        m_area.seek->setPageStep(10000);
    }
    m_engine->begin();
    // The bar below says REPLAY.
    const QString name = QFileInfo(file).fileName();
    if (m_replayed->cutLine() != 0)
        showStatus(trendText(TrendText::ReplayCutShort, lang)
                       .arg(name)
                       .arg(m_replayed->cutLine())
                       .arg(m_replayed->cycles()));
    else
        showStatus(name);
    layOut();
    updateControls();
    afterReplayMoved();
}

void TrendController::replayStarted(const session::LivePage& page) {
    m_replayPage = &page;
    m_view.showOnlyFrame(page.frame);
    for (const session::PanelVisibility& panel : page.panels)
        m_view.setPanelVisible(panel.panel, panel.visible);
    const std::vector<session::Gauge> gauges = trend::pageGauges(page);
    m_chart.startPage(gauges, false);
    // A fast recording holds only the values polled (a whole page's names none): the others
    // were paused, not stale.
    const std::vector<session::Gauge>& recorded =
        m_replayed->gauges().empty() ? gauges : m_replayed->gauges();
    m_stale.startPage(recorded);
    const QString why = trendText(TrendText::NotRecorded, language());
    for (const session::Gauge gauge : gauges) {
        const bool kept = std::find(recorded.begin(), recorded.end(), gauge) != recorded.end();
        if (!kept)
            m_marks.setStale(gauge, false);
        m_marks.setPaused(gauge, !kept, kept ? QString() : why);
    }
}

void TrendController::replayReading(const trend::Reading& reading) {
    if (!reading.failed)
        m_view.setGauge(session::gaugeName(reading.gauge), reading.text);
    m_stale.reading(reading.gauge, reading.failed);
    m_chart.add(reading);
}

void TrendController::replayMoved(std::uint64_t positionMs) {
    m_chart.setNow(static_cast<std::int64_t>(positionMs));
}

void TrendController::replayTick() {
    if (!m_engine) {
        m_replayTimer.stop();
        return;
    }
    m_engine->advance(static_cast<std::uint64_t>(m_replayWall.restart()));
    afterReplayMoved();
}

void TrendController::afterReplayMoved() {
    if (!m_engine)
        return;
    if (!m_engine->playing())
        m_replayTimer.stop();
    if (!m_engine->error().empty()) {
        const QString why =
            trendText(TrendText::CannotReplay, language()).arg(qstr(m_engine->error()));
        if (why != m_statusText)
            showStatus(why);
    }
    showMarks();
    m_marks.setCharted(m_chart.series());
    m_area.chart->scheduleRefresh();
    showCursor();
    m_area.play->setChecked(m_engine->playing());
    m_area.play->setText(m_engine->playing() ? QStringLiteral("\u275A\u275A")
                                             : QStringLiteral("\u25B6"));
    m_area.speed->setText(speedText(m_engine->speed()));
    const QString position =
        clockText(m_engine->position()) + QStringLiteral(" / ") + clockText(m_engine->duration());
    m_area.position->setText(position);
    if (!m_area.seek->isSliderDown()) {
        const QSignalBlocker quiet(m_area.seek);
        m_area.seek->setValue(static_cast<int>(m_engine->position()));
    }
    const QString line4 = QStringLiteral("   %1  %2").arg(position, speedText(m_engine->speed()));
    m_form.displayLine(4)->setValue(line4.leftJustified(24, QLatin1Char(' '), true));
}

void TrendController::closeReplay() {
    if (!replaying())
        return;
    m_replayTimer.stop();
    m_engine.reset();
    m_replayed.reset();
    m_replayPage = nullptr;
    m_area.chart->setReplay(false);
    // The chart starts afresh on what the session polls; the gauges as the session left them.
    std::vector<session::Gauge> gauges;
    if (m_livePage != nullptr)
        gauges = trend::pageGauges(*m_livePage);
    m_chart.startPage(gauges, false);
    m_stale = m_liveStale;
    m_stale.takeChanges();
    m_snapshot.restore();
    m_marks.clearAll();
    for (const auto& [gauge, stale] : m_stale.all())
        m_marks.setStale(gauge, stale);
    showPaused(true);
    m_marks.setCharted(m_chart.series());
    m_hold.release();
    showStatus(QString());
    layOut();
    updateControls();
    m_area.chart->refresh();
    showCursor();
}

}  // namespace tvx::ui
