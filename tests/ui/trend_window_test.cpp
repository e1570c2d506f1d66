// The live-data chart, recording and replay on the real window: the real session on its
// worker thread, clicked through with the mouse.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <memory>

#include "link/byte_trace.h"
#if TVX_HAVE_RECORD
#include "keeper/record_keeper.h"
#include "record/record.h"
#endif
#include "chart/trend_chart.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "trend/recording_store.h"
#include "ui/tester_controller.h"
#include "ui/trend_area.h"
#include "ui_helpers.h"
#ifndef _WIN32  // the simulator on a pseudo-terminal
#include "link/posix_serial_port.h"
#include "sim/pty_server.h"
#endif

namespace tvx::ui {
namespace {

using test::click;
using test::clickItem;
using test::usable;
using test::waitFor;
using widgets::TDotMatrix5x7;
using widgets::TSevenSegment;

// Pauses cost nothing, but time still runs: readings over a real line get the times they
// would have on the road, and a 3 s pause of the session is over at once.
class FastForwardClock final : public link::Clock {
public:
    void sleepMs(unsigned ms) override { m_skipped += ms; }
    std::uint64_t nowMs() const override {
        const auto real = std::chrono::steady_clock::now() - m_start;
        return m_skipped + static_cast<std::uint64_t>(
                               std::chrono::duration_cast<std::chrono::milliseconds>(real).count());
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::atomic<std::uint64_t> m_skipped{0};
};

std::size_t linesOf(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<std::size_t>(in.readAll().count('\n'));
}

class TrendWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        std::ofstream(m_dir.filePath("DTC5820EN.txt").toStdString()) << "P0171 lean\n";
        std::ofstream(m_dir.filePath("DTC5820TR.txt").toStdString()) << "P0171 fakir\n";
    }
    void TearDown() override {
        if (m_controller)
            m_controller->stop();
#ifndef _WIN32
        if (m_server)
            m_server->stop();
#endif
    }

    // The simulated van in memory, at the wire's pace on virtual time.
    void startInMemory(const char* vehicle = "diesel-van") {
        m_box = std::make_unique<sim::Box>(sim::vehicleScenario(vehicle));
        auto port = std::make_unique<sim::InMemoryPort>(*m_box, m_clock);
        port->setPacing(true);
        m_port = std::move(port);
        startWindow(m_clock);
    }

#ifndef _WIN32
    // The simulated van on a pseudo-terminal behind the real serial port; every byte the
    // tester sends is in its trace.
    void startOnPty() {
        m_server = std::make_unique<sim::PtyServer>(sim::vehicleScenario("diesel-van"),
                                                    sim::PtyServer::Options{});
        std::string error;
        ASSERT_TRUE(m_server->open(error)) << error;
        m_server->start();
        m_port = std::make_unique<link::PosixSerialPort>(m_server->devicePath());
        m_trace = std::make_unique<link::ByteTrace>(tracePath().toStdString());
        startWindow(m_fastClock);
    }

#endif

    void startWindow(link::Clock& clock) {
        m_form = std::make_unique<TForm1>(QString());
        m_controller = std::make_unique<TesterController>(
            *m_form, TesterController::Setup{*m_port, clock, m_tick, nullptr,
                                             m_dir.path().toStdString(), m_trace.get()});
        m_form->show();
        m_controller->start();
    }

    QString tracePath() const {
        return m_dir.filePath("trace.txt");
    }
    QString recordings() const {
        return m_dir.filePath("recordings");
    }
    TrendController& trend() {
        return m_controller->trend();
    }
    const TrendArea& area() {
        return m_form->trendArea();
    }
    QPushButton* button(const char* name) {
        return m_form->button(name);
    }
    QString line(int n) {
        return test::lineText(*m_form, n);
    }
    QWidget* panel(const char* name) {
        return m_form->findChild<QWidget*>("Frame71")->findChild<QWidget*>(name);
    }
    TSevenSegment* gauge(const char* name) {
        return m_form->findChild<QWidget*>("Frame71")->findChild<TSevenSegment*>(name);
    }
    QWidget* anyGauge(std::string_view name) {
        return m_form->findChild<QWidget*>("Frame71")->findChild<QWidget*>(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    void press(const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(button(name)); })) << name << " never usable";
        click(button(name));
    }

    // First start to the diesel page of the FOCUS 1.8 TDCI, polling (invented values in
    // demonstration mode).
    void toDieselLiveData(bool demo = false) {
        ASSERT_TRUE(waitFor([&] { return line(1) == " SELECT COM AND LANGUAGE"; }));
        clickItem(*m_form, "RGCom", 0);
        press("OK");
        ASSERT_TRUE(waitFor([&] { return !m_form->findChild<QWidget*>("Frame31")->isHidden(); }));
        clickItem(*m_form, "DG1", 4);
        press("OK");
        if (demo) {
            press("DEMO");
        } else {
            ASSERT_TRUE(waitFor([&] { return line(1) == " CONNECT KESTRON 7340 TO"; }));
            press("OK");
        }
        ASSERT_TRUE(waitFor([&] { return line(1) == "     SELECT THE ECU     "; }));
        press("pcm");
        press("live");
        ASSERT_TRUE(waitFor([&] { return gauge("frpd")->value() != "0"; })) << "no live data";
    }

    QTemporaryDir m_dir;
    test::HoldableClock m_clock;
    FastForwardClock m_fastClock;
    link::VirtualClock m_tick;
    std::unique_ptr<sim::Box> m_box;
#ifndef _WIN32
    std::unique_ptr<sim::PtyServer> m_server;
#endif
    std::unique_ptr<link::SerialPort> m_port;
    std::unique_ptr<link::ByteTrace> m_trace;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TesterController> m_controller;
};

std::size_t sentBytes(const QString& trace) {
    QFile in(trace);
    in.open(QIODevice::ReadOnly);
    return static_cast<std::size_t>(in.readAll().count(" TX "));
}

#ifndef _WIN32  // a pseudo-terminal; under Wine the walk through the window covers it
// The mechanic's afternoon: chart two values, record, leave live data, replay the
// recording; the gauges show exactly what was recorded and not one byte goes on the line.
TEST_F(TrendWindow, RecordsOnThePtySimulatorAndReplaysWithoutSendingAByte) {
    startOnPty();
    toDieselLiveData();

    // Two gauges clicked onto the chart, which comes up beside the gauges.
    click(panel("rpmp"));
    click(panel("frpp"));
    ASSERT_EQ(trend().chartModel().series().size(), 2u);
    EXPECT_EQ(trend().chartModel().series()[0].gauge, session::Gauge::rpmd);
    EXPECT_EQ(trend().chartModel().series()[0].caption, "RPM");
    EXPECT_EQ(trend().place(), TrendController::Place::GaugesAndChart);
    EXPECT_TRUE(area().chartArea->isVisible());
    EXPECT_TRUE(panel("rpmp")->styleSheet().contains("#ff0000")) << "framed in its line's red";
    ASSERT_TRUE(waitFor([&] {
        const auto drawn = area().chart->drawn();
        return drawn.size() == 2 && !drawn[0].stretches.empty() && drawn[0].stretches[0].size() > 3;
    })) << "no line drawn";

    // Record; a few engine-speed reads fail on the way.
    press("recordLive");
    EXPECT_TRUE(area().record->isChecked());
    QString file;
    ASSERT_TRUE(waitFor([&] {
        const QStringList files = QDir(recordings()).entryList({"*.csv"}, QDir::Files);
        file = files.isEmpty() ? QString() : QDir(recordings()).filePath(files.front());
        return linesOf(file) >= 4;
    }));
    const QColor red = gauge("rpmd")->onColor();
    sim::Fault fault;
    fault.kind = sim::FaultKind::CountZero;
    fault.identifier = 0x000C;  // engine speed as this page reads it
    fault.count = -1;  // until taken away: a short fault may fail and heal between two looks
    m_server->withBox([&](sim::Box& box) { box.addFault(fault); });
    ASSERT_TRUE(waitFor([&] { return gauge("rpmd")->property("stale").toBool(); }))
        << "a failed read left the gauge looking live";
    EXPECT_EQ(gauge("rpmd")->onColor(), QColor(red.red() / 3, red.green() / 3, red.blue() / 3));
    EXPECT_TRUE(panel("rpmp")->styleSheet().contains("dashed"));
    m_server->withBox([&](sim::Box& box) { box.clearFaults(); });
    ASSERT_TRUE(waitFor([&] { return !gauge("rpmd")->property("stale").toBool(); }));
    EXPECT_EQ(gauge("rpmd")->onColor(), red);
    ASSERT_TRUE(waitFor([&] { return linesOf(file) >= 10; }));
    click(area().record);
    EXPECT_FALSE(area().record->isChecked());
    EXPECT_TRUE(trend().status().contains("cycles recorded")) << trend().status().toStdString();
    ASSERT_TRUE(usable(area().exportCsv));

    // Export: the recording as it is kept.
    const QString exported = m_dir.filePath("export.csv");
    trend().askExportFile = [&] { return exported; };
    click(area().exportCsv);
    QFile a(file), b(exported);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    // Out of live data; from here nothing may be sent until the replay is closed.
    press("BACK");
    ASSERT_TRUE(waitFor([&] { return line(1) == " CONNECT KESTRON 7340 TO"; }));
    const std::size_t sent = sentBytes(tracePath());
    const std::size_t requests =
        m_server->withBox([](sim::Box& box) { return box.requests().size(); });
    ASSERT_GT(sent, 100u);

    trend().askRecordingFile = [&] { return file; };
    click(area().openRecording);
    ASSERT_TRUE(waitFor([&] { return trend().replaying(); }));
    EXPECT_TRUE(m_form->windowTitle().contains("REPLAY"));
    EXPECT_TRUE(area().replayBar->isVisible());
    EXPECT_EQ(area().replayMark->text(), "REPLAY");
    EXPECT_EQ(line(1), "         REPLAY         ");
    EXPECT_TRUE(area().chart->chart()->title().contains("REPLAY"));
    EXPECT_LE(m_form->height(), 740) << "replay with the chart beside the gauges";
    EXPECT_FALSE(m_form->findChild<QWidget*>("Frame71")->isHidden()) << "the recorded page";
    EXPECT_FALSE(usable(button("OK")));
    EXPECT_FALSE(usable(area().record));

    // Cycle by cycle, every gauge shows what was recorded; a failed read leaves its gauge
    // dimmed with the text before.
    const trend::RecordingRead recorded = trend::readRecordingFile(file.toStdString());
    ASSERT_TRUE(recorded.recording) << recorded.error;
    const auto cycles = trend::cyclesOf(*recorded.recording);
    ASSERT_GE(cycles.size(), 9u);
    int failures = 0;
    for (std::size_t c = 0; c < cycles.size(); ++c) {
        if (c > 0)
            click(area().step);
        EXPECT_EQ(trend().replay()->cycle(), c);
        for (std::size_t i = cycles[c].first; i < cycles[c].end; ++i) {
            const trend::Reading& reading = recorded.recording->readings[i];
            QWidget* shown = anyGauge(session::gaugeName(reading.gauge));
            ASSERT_NE(shown, nullptr) << reading.gauge;
            EXPECT_EQ(shown->property("stale").toBool(), reading.failed)
                << reading.gauge << " in cycle " << c;
            if (reading.failed) {
                ++failures;
                continue;
            }
            const QString text = qobject_cast<TSevenSegment*>(shown)
                                     ? qobject_cast<TSevenSegment*>(shown)->value()
                                     : qobject_cast<TDotMatrix5x7*>(shown)->value();
            EXPECT_EQ(text.trimmed().toStdString(),
                      QString::fromStdString(reading.text).trimmed().toStdString())
                << reading.gauge << " in cycle " << c;
        }
    }
    EXPECT_GE(failures, 1) << "the spoilt reads were recorded as failures";

    // Clicks at the tester's buttons go nowhere, even one that reached a button's handler;
    // a gauge still goes onto the chart and off.
    click(button("OK"));
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QMetaObject::invokeMethod(button("OK"), "clicked", Q_ARG(bool, false));
    QTest::qWait(200);
    click(panel("rpmp"));
    EXPECT_FALSE(trend().chartModel().charted(session::Gauge::rpmd));
    click(panel("rpmp"));
    EXPECT_TRUE(trend().chartModel().charted(session::Gauge::rpmd));

    // Played back from the start at sixteen times the pace, to the end.
    trend().replay()->seek(0);
    while (area().speed->text() != "x16")
        click(area().speed);
    click(area().play);
    EXPECT_TRUE(trend().replay()->playing());
    ASSERT_TRUE(waitFor([&] { return !trend().replay()->playing(); }));
    EXPECT_TRUE(trend().replay()->atEnd());
    EXPECT_EQ(area().position->text().section(" / ", 0, 0),
              area().position->text().section(" / ", 1, 1));

    EXPECT_EQ(sentBytes(tracePath()), sent) << "a replay sent bytes to the box";
    EXPECT_EQ(m_server->withBox([](sim::Box& box) { return box.requests().size(); }), requests);

    // Closed: the window as the session left it, and the session answers again.
    click(area().closeReplay);
    EXPECT_FALSE(trend().replaying());
    EXPECT_EQ(m_form->windowTitle(), " Tarvolinex v2.03");
    EXPECT_EQ(line(1), " CONNECT KESTRON 7340 TO");
    EXPECT_FALSE(area().replayBar->isVisible());
    EXPECT_TRUE(m_form->findChild<QWidget*>("Frame71")->isHidden());
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1) == "     SELECT THE ECU     "; }));
    EXPECT_GT(sentBytes(tracePath()), sent);
}
#endif

// A replay needs the session held still, which it cannot be while it polls: the open button
// says so before any file is asked for, and comes back with its own hint once live data ends.
TEST_F(TrendWindow, OpenRecordingIsDisabledDuringLiveDataAndSaysWhy) {
    startInMemory();
    toDieselLiveData();
    int asked = 0;
    trend().askRecordingFile = [&] {
        ++asked;
        return QString();
    };
    ASSERT_TRUE(waitFor([&] { return !area().openRecording->isEnabled(); }))
        << "open recording usable during live data";
    EXPECT_TRUE(area().openRecording->toolTip().contains("Leave live data first"))
        << area().openRecording->toolTip().toStdString();
    click(area().openRecording);
    EXPECT_EQ(asked, 0) << "a file dialog opened only to be refused";
    EXPECT_FALSE(trend().replaying());

    press("BACK");
    ASSERT_TRUE(waitFor([&] { return usable(area().openRecording); }));
    EXPECT_EQ(area().openRecording->toolTip(), "play a recording back: nothing is sent to the car");
    click(area().openRecording);
    EXPECT_EQ(asked, 1);
}

TEST_F(TrendWindow, LeavingTheLivePageEndsTheRecording) {
    startInMemory();
    toDieselLiveData();
    press("recordLive");
    ASSERT_TRUE(waitFor([&] {
        const QStringList files = QDir(recordings()).entryList({"*.csv"}, QDir::Files);
        return !files.isEmpty() && linesOf(QDir(recordings()).filePath(files.front())) >= 3;
    }));
    press("BACK");
    ASSERT_TRUE(waitFor([&] { return !area().record->isChecked(); }));
    EXPECT_TRUE(trend().status().contains("cycles recorded")) << trend().status().toStdString();
    EXPECT_TRUE(usable(area().exportCsv));
    EXPECT_FALSE(usable(area().record)) << "no page to record";
}

#if TVX_HAVE_RECORD
// What the record button records is also in the visit of the workshop record, and ends
// with the button.
TEST_F(TrendWindow, ARecordingIsAlsoKeptInTheVisit) {
    startInMemory();
    toDieselLiveData();
    press("recordLive");
    QString file;
    ASSERT_TRUE(waitFor([&] {
        const QStringList files = QDir(recordings()).entryList({"*.csv"}, QDir::Files);
        file = files.isEmpty() ? QString() : QDir(recordings()).filePath(files.front());
        return !file.isEmpty() && linesOf(file) >= 4;
    }));
    press("recordLive");
    ASSERT_TRUE(waitFor([&] { return !area().record->isChecked(); }));
    session::RecordKeeper* keeper = m_controller->recordKeeper();
    ASSERT_NE(keeper, nullptr);
    EXPECT_FALSE(keeper->liveRecording());
    keeper->flush();
    const auto visit = keeper->currentVisit();
    ASSERT_TRUE(visit.has_value());

    auto opened = record::Record::open(m_dir.filePath("tarvolinex.db").toStdString());
    ASSERT_TRUE(opened.record) << opened.problem;
    const auto kept = opened.record->recordingsOfVisit(*visit);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept[0].endedAt.has_value());
    // The same cycles as the file and the window's message: one recorder wrote them all.
    const auto rows = static_cast<std::int64_t>(linesOf(file)) - 1;
    EXPECT_EQ(kept[0].cycles, rows);
    EXPECT_TRUE(trend().status().startsWith(QString::number(rows) + " cycles recorded"))
        << trend().status().toStdString();
    const auto ended = trend().recorder().lastEnded();
    ASSERT_TRUE(ended.has_value());
    EXPECT_EQ(kept[0].durationMs, static_cast<std::int64_t>(ended->durationMs));
}
#endif

TEST_F(TrendWindow, AFileThatIsNoRecordingIsRefusedWithTheLineAndWhy) {
    startInMemory();
    const QString file = m_dir.filePath("notes.csv");
    std::ofstream(file.toStdString()) << "shopping list\n";
    trend().askRecordingFile = [&] { return file; };
    ASSERT_TRUE(waitFor([&] { return usable(area().openRecording); }));
    click(area().openRecording);
    EXPECT_FALSE(trend().replaying());
    EXPECT_TRUE(trend().status().contains("line 1: not a live-data recording"))
        << trend().status().toStdString();
}

// A recording cut in its last line replays its whole cycles and says the line is left out;
// the replay reads the file as it plays, so a file cut while it is replayed stops it with the
// reason instead of showing what is no longer there.
TEST_F(TrendWindow, ACutRecordingPlaysItsWholeCyclesAndAFileCutWhilePlayedStopsIt) {
    startInMemory();
    const QString file = m_dir.filePath("cluster.csv");
    std::string rows = "time [s],odometer [km],fuel level [%],trouble codes [-]\n";
    for (int cycle = 0; cycle < 300; ++cycle)
        rows += std::to_string(cycle) + ".000," + std::to_string(1000 + cycle) + ",44,1\n";
    std::ofstream(file.toStdString(), std::ios::binary) << rows << "300.000,13";
    trend().askRecordingFile = [&] { return file; };
    ASSERT_TRUE(waitFor([&] { return line(1) == " SELECT COM AND LANGUAGE"; }));
    click(area().openRecording);
    ASSERT_TRUE(waitFor([&] { return trend().replaying(); })) << trend().status().toStdString();
    EXPECT_TRUE(trend().status().contains("line 302 was cut short"))
        << trend().status().toStdString();
    EXPECT_TRUE(trend().status().contains("the 300 whole cycles"))
        << trend().status().toStdString();
    EXPECT_EQ(trend().replay()->duration(), 299000u);

    // Exported from the replay: its whole cycles, written from the file.
    const QString exported = m_dir.filePath("export.csv");
    trend().askExportFile = [&] { return exported; };
    click(area().exportCsv);
    QFile copy(exported);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << trend().status().toStdString();
    EXPECT_EQ(copy.readAll().toStdString(), rows);
    // Never over the file it reads.
    trend().askExportFile = [&] { return file; };
    click(area().exportCsv);
    EXPECT_TRUE(trend().status().contains("is the recording being replayed"))
        << trend().status().toStdString();
    EXPECT_EQ(linesOf(file), 301u);

    std::ofstream(file.toStdString(), std::ios::binary | std::ios::trunc)
        << rows.substr(0, rows.find("10.000,"));
    area().seek->setValue(area().seek->maximum());
    EXPECT_TRUE(trend().replay()->atEnd());
    EXPECT_FALSE(trend().replay()->playing());
    EXPECT_TRUE(trend().status().startsWith("Cannot replay: " + file +
                                            " was changed while it was replayed"))
        << trend().status().toStdString();
    EXPECT_EQ(trend().replay()->cycle(), 9u) << "what is still there is shown";
}

TEST_F(TrendWindow, ALostLineDimsEveryGaugeOfThePage) {
    startInMemory();
    toDieselLiveData();
    ASSERT_TRUE(waitFor([&] { return !gauge("batd")->property("stale").toBool(); }));
    m_box->addFault(sim::Fault::make(sim::FaultKind::LineClosed));
    for (const char* name : {"rpmd", "frpd", "batd", "chdd", "VSSd", "Barod", "dtcd"})
        EXPECT_TRUE(waitFor([&] { return gauge(name)->property("stale").toBool(); })) << name;
    EXPECT_TRUE(panel("batp")->styleSheet().contains("dashed"));
}

TEST_F(TrendWindow, SixValuesAtMostAndTheChartSaysSo) {
    startInMemory();
    toDieselLiveData();
    for (const char* name : {"rpmp", "frpp", "batp", "chtp", "iatp", "ftsp"})
        click(panel(name));
    ASSERT_EQ(trend().chartModel().series().size(), 6u);
    click(panel("barop"));
    EXPECT_EQ(trend().chartModel().series().size(), 6u);
    EXPECT_FALSE(trend().chartModel().charted(session::Gauge::Barod));
    EXPECT_TRUE(trend().status().contains("Six values")) << trend().status().toStdString();
    EXPECT_TRUE(panel("barop")->styleSheet().isEmpty() ||
                !panel("barop")->styleSheet().contains("solid"));
}

// Fast mode: the charted values alone are polled, the other gauges show that they are
// paused (not stale), each charted value its samples per second; BACK ends it.
TEST_F(TrendWindow, FastModePausesTheOtherGaugesUntilTheMechanicLeavesThePage) {
    startInMemory();
    toDieselLiveData();
    ASSERT_TRUE(waitFor([&] { return usable(area().fast); }));
    click(area().fast);
    EXPECT_FALSE(area().fast->isChecked()) << "nothing charted: nothing to poll alone";
    EXPECT_TRUE(trend().status().contains("click a gauge")) << trend().status().toStdString();

    click(panel("rpmp"));
    click(area().fast);
    ASSERT_TRUE(waitFor([&] { return gauge("batd")->property("paused").toBool(); }));
    EXPECT_TRUE(area().fast->isChecked());
    EXPECT_FALSE(gauge("rpmd")->property("paused").toBool());
    EXPECT_FALSE(gauge("batd")->property("stale").toBool()) << "paused is not stale";
    EXPECT_TRUE(panel("batp")->styleSheet().contains("dotted"));
    EXPECT_FALSE(gauge("batd")->toolTip().isEmpty());
    const QString battery = gauge("batd")->value();
    const std::size_t before = m_box->requests().size();
    ASSERT_TRUE(waitFor([&] { return m_box->requests().size() >= before + 20; }));
    for (std::size_t i = before; i < m_box->requests().size(); ++i) {
        const auto& request = m_box->requests()[i];
        ASSERT_EQ(request.size(), 3u);
        EXPECT_EQ(request[1] << 8 | request[2], 0x000C) << "only the engine speed is asked for";
    }
    EXPECT_EQ(gauge("batd")->value(), battery);
    ASSERT_TRUE(waitFor([&] { return area().rates->text().contains("/s"); }));

    press("BACK");
    ASSERT_TRUE(waitFor([&] { return !gauge("batd")->property("paused").toBool(); }));
    EXPECT_FALSE(area().fast->isChecked());
}

// Chart only: the chart takes the work area and the room below it, and the values are put on
// it and taken off through its menu, no gauge being there to click.
TEST_F(TrendWindow, ChartOnlyGivesThePlotTheWorkAreaAndItsMenuChoosesTheValues) {
    startInMemory();
    toDieselLiveData();
    QWidget* work = m_form->findChild<QWidget*>("workArea");
    const QRect workPlace = work->geometry();
    click(area().chartOnly);
    EXPECT_TRUE(work->isHidden());
    EXPECT_TRUE(area().chartArea->isVisible());
    const QRect chartPlace = area().chartArea->geometry();
    EXPECT_EQ(chartPlace.top(), workPlace.top());
    EXPECT_EQ(chartPlace.left(), workPlace.left());
    EXPECT_EQ(chartPlace.width(), workPlace.width());
    EXPECT_GE(area().chart->height(), 400) << "the plot gets the height of the window";
    EXPECT_LE(m_form->height(), 740);
    EXPECT_FALSE(chartPlace.intersects(area().bar->geometry()));

    auto* values = m_form->findChild<QPushButton*>("chartValues");
    ASSERT_NE(values, nullptr);
    ASSERT_TRUE(usable(values));
    ASSERT_NE(values->menu(), nullptr);
    auto choose = [&](const char* gauge) {
        emit values->menu()->aboutToShow();
        auto* action = values->menu()->findChild<QAction*>(gauge);
        EXPECT_NE(action, nullptr) << gauge << " not in the menu";
        if (action)
            action->trigger();
        return action;
    };
    choose("rpmd");
    choose("Barod");
    ASSERT_EQ(trend().chartModel().series().size(), 2u);
    EXPECT_EQ(trend().chartModel().series()[0].caption, "RPM");
    EXPECT_EQ(trend().place(), TrendController::Place::Chart) << "the chart stays alone";
    emit values->menu()->aboutToShow();
    EXPECT_TRUE(values->menu()->findChild<QAction*>("rpmd")->isChecked());
    EXPECT_FALSE(values->menu()->findChild<QAction*>("batd")->isChecked());
    choose("rpmd");
    EXPECT_FALSE(trend().chartModel().charted(session::Gauge::rpmd));
    EXPECT_TRUE(trend().chartModel().charted(session::Gauge::Barod));

    press("BACK");
    ASSERT_TRUE(waitFor([&] { return !work->isHidden(); })) << "the prompt would be hidden";
    EXPECT_FALSE(area().chartArea->isVisible());
    EXPECT_EQ(work->geometry(), workPlace);
}

// Out of live data the chart still shows the last page's values: it says so, with the time
// it was left, until a live page shows again.
TEST_F(TrendWindow, LeavingLiveDataMarksTheChartAsTheLastPagesWithItsTime) {
    startInMemory();
    toDieselLiveData();
    click(panel("rpmp"));
    ASSERT_TRUE(waitFor([&] { return area().rates->text().contains("/s"); }));
    auto endMark = [&]() -> QLabel* {
        for (QLabel* label : area().chartArea->findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains("Not live"))
                return label;
        return nullptr;
    };
    EXPECT_EQ(endMark(), nullptr);
    press("BACK");
    ASSERT_TRUE(waitFor([&] { return line(1) == " CONNECT KESTRON 7340 TO"; }));
    EXPECT_TRUE(area().chartArea->isVisible());
    ASSERT_TRUE(waitFor([&] { return endMark() != nullptr; })) << "the chart looks live";
    EXPECT_TRUE(
        QRegularExpression("ended \\d\\d:\\d\\d:\\d\\d$").match(endMark()->text()).hasMatch())
        << endMark()->text().toStdString();
    EXPECT_TRUE(area().rates->text().isEmpty()) << "no samples come any more";

    press("OK");
    press("pcm");
    press("live");
    ASSERT_TRUE(waitFor([&] { return endMark() == nullptr; }));
}

// A recording made in fast mode holds only the polled values: in its replay the other gauges
// are paused as they were, not stale.
TEST_F(TrendWindow, AFastRecordingsUnrecordedGaugesArePausedInItsReplay) {
    startInMemory();
    toDieselLiveData();
    click(panel("frpp"));  // the rail pressure: only the diesel page has it
    ASSERT_TRUE(waitFor([&] { return usable(area().fast); }));
    click(area().fast);
    ASSERT_TRUE(waitFor([&] { return gauge("batd")->property("paused").toBool(); }));
    press("recordLive");
    QString file;
    ASSERT_TRUE(waitFor([&] {
        const QStringList files = QDir(recordings()).entryList({"*.csv"}, QDir::Files);
        file = files.isEmpty() ? QString() : QDir(recordings()).filePath(files.front());
        return !file.isEmpty() && linesOf(file) >= 6;
    }));
    click(area().record);
    press("BACK");
    ASSERT_TRUE(waitFor([&] { return usable(area().openRecording); }));
    trend().askRecordingFile = [&] { return file; };
    click(area().openRecording);
    ASSERT_TRUE(waitFor([&] { return trend().replaying(); })) << trend().status().toStdString();
    for (int step = 0; step < 3; ++step)
        click(area().step);
    EXPECT_FALSE(m_form->findChild<QWidget*>("Frame71")->isHidden());
    EXPECT_FALSE(gauge("frpd")->property("paused").toBool());
    EXPECT_FALSE(gauge("frpd")->property("stale").toBool());
    for (const char* name : {"batd", "rpmd", "Barod"}) {
        EXPECT_TRUE(gauge(name)->property("paused").toBool()) << name;
        EXPECT_FALSE(gauge(name)->property("stale").toBool()) << name << ": it was not read";
        EXPECT_TRUE(gauge(name)->toolTip().contains("fast mode")) << name;
    }
    click(area().closeReplay);
    EXPECT_FALSE(gauge("batd")->property("paused").toBool());
}

// A status too long for its place is wrapped, never cut in the middle; the tooltip has it all.
TEST_F(TrendWindow, ALongStatusIsWrappedNotCutInTheMiddle) {
    startInMemory();
    QDir(m_dir.path()).mkpath("a-folder-with-a-rather-long-name-for-the-workshop-recordings");
    const QString file = m_dir.filePath(
        "a-folder-with-a-rather-long-name-for-the-workshop-recordings/notes-of-the-day.csv");
    std::ofstream(file.toStdString()) << "shopping list\n";
    trend().askRecordingFile = [&] { return file; };
    ASSERT_TRUE(waitFor([&] { return usable(area().openRecording); }));
    click(area().openRecording);
    ASSERT_TRUE(trend().status().contains("not a live-data recording"));
    auto* status = m_form->findChild<QLabel*>("trendStatus");
    const QString shown = status->text();
    // Lines may break inside the file's name: compared without the breaks.
    QString joined = shown;
    joined.remove('\n').remove(' ');
    if (joined.endsWith(QChar(0x2026)))
        joined.chop(1);
    EXPECT_TRUE(QString(trend().status()).remove(' ').startsWith(joined))
        << "cut in the middle: " << shown.toStdString();
    EXPECT_EQ(status->toolTip(), trend().status());
    const QFontMetrics metrics(status->font());
    // Its beginning is shown wherever its first words fit a line (under Wine's offscreen
    // platform there are no fonts, and a letter's box is as wide as the label).
    if (metrics.horizontalAdvance(QStringLiteral("Cannot replay")) <=
        status->contentsRect().width()) {
        EXPECT_TRUE(shown.contains("Cannot replay")) << shown.toStdString();
    }
    for (const QString& part : shown.split('\n'))
        EXPECT_LE(metrics.horizontalAdvance(part), status->contentsRect().width())
            << part.toStdString();
}

TEST_F(TrendWindow, AClickInTheChartReadsTheValuesAtThatTime) {
    startInMemory();
    toDieselLiveData();
    click(panel("batp"));
    ASSERT_TRUE(waitFor([&] { return trend().chartModel().now() > 5000; }));
    click(area().pause);
    const QRectF plot = area().chart->chart()->plotArea();
    const QPoint middle =
        area().chart->mapFromScene(area().chart->chart()->mapToScene(plot.center()));
    QTest::mouseClick(area().chart->viewport(), Qt::LeftButton, {}, middle);
    ASSERT_TRUE(trend().chartModel().cursor().has_value());
    const auto view = area().chart->drawnView();
    EXPECT_NEAR(static_cast<double>(*trend().chartModel().cursor()),
                static_cast<double>(view.fromMs + view.toMs) / 2, 0.02 * (view.toMs - view.fromMs));
    const auto values = trend().chartModel().valuesAt(*trend().chartModel().cursor());
    ASSERT_EQ(values.size(), 1u);
    EXPECT_TRUE(area().cursor->text().contains(QString::fromStdString(values[0].text)))
        << area().cursor->text().toStdString();
    QTest::mouseClick(area().chart->viewport(), Qt::RightButton, {}, middle);
    EXPECT_FALSE(trend().chartModel().cursor().has_value());
}

TEST_F(TrendWindow, DemonstrationValuesAreNotRecorded) {
    startInMemory();
    toDieselLiveData(true);
    EXPECT_FALSE(area().record->isEnabled());
}

// Whatever the chart's layout, every control of the tester stays where it was and the chart
// lies over none of them.
TEST(TrendLayout, TheTestersControlsNeverMove) {
    TForm1 form{QString()};
    form.show();
    const TrendArea& area = form.trendArea();
    auto own = [&](QWidget* widget) {
        return area.bar->isAncestorOf(widget) || area.replayBar->isAncestorOf(widget) ||
               area.chartArea->isAncestorOf(widget) || widget == area.bar ||
               widget == area.replayBar || widget == area.chartArea;
    };
    std::vector<std::pair<QWidget*, QRect>> places;
    for (QWidget* widget : form.findChildren<QWidget*>())
        if (!widget->objectName().isEmpty() && !own(widget))
            places.emplace_back(widget, QRect(widget->mapTo(&form, QPoint()), widget->size()));
    ASSERT_GT(places.size(), 150u);
    const TForm1::TrendLayout layouts[] = {{false, false, false}, {true, false, false},
                                           {false, true, false},  {true, true, false},
                                           {false, false, true},  {true, false, true}};
    for (const TForm1::TrendLayout& layout : layouts) {
        form.layOutTrend(layout);
        const std::string name = std::to_string(layout.replayBar) +
                                 std::to_string(layout.chartBelow) +
                                 std::to_string(layout.chartOverWorkArea);
        for (const auto& [widget, place] : places) {
            EXPECT_EQ(QRect(widget->mapTo(&form, QPoint()), widget->size()), place)
                << widget->objectName().toStdString() << " moved in layout " << name;
            if (widget->isVisible() && area.chartArea->isVisible()) {
                EXPECT_FALSE(area.chartArea->geometry().intersects(place))
                    << widget->objectName().toStdString() << " under the chart in layout " << name;
            }
        }
        EXPECT_TRUE(form.rect().contains(area.bar->geometry()));
        if (area.chartArea->isVisible()) {
            EXPECT_TRUE(form.rect().contains(area.chartArea->geometry())) << name;
        }
        EXPECT_EQ(form.findChild<QWidget*>("workArea")->isHidden(),
                  layout.chartOverWorkArea && !layout.chartBelow)
            << name;
    }
}

// Every layout fits a 1366x768 laptop screen less its taskbar, at scale 1; the chart, when
// shown, keeps a usable height within the window, also with a long note above it.
TEST(TrendLayout, EveryLayoutFitsALaptopScreen) {
    TForm1 form{QString()};
    form.show();
    const TrendArea& area = form.trendArea();
    const QString note = QString("The serial port COM1 is not there. ").repeated(6);
    for (const QString& shown : {QString(), note}) {
        form.showNote(shown);
        for (const TForm1::TrendLayout layout :
             {TForm1::TrendLayout{false, false, false}, TForm1::TrendLayout{true, false, false},
              TForm1::TrendLayout{false, true, false}, TForm1::TrendLayout{true, true, false},
              TForm1::TrendLayout{false, false, true}, TForm1::TrendLayout{true, false, true}}) {
            form.layOutTrend(layout);
            const std::string name =
                std::to_string(layout.replayBar) + std::to_string(layout.chartBelow) +
                std::to_string(layout.chartOverWorkArea) + (shown.isEmpty() ? "" : " with a note");
            EXPECT_LE(form.height(), 740) << name;
            EXPECT_TRUE(form.rect().contains(area.bar->geometry())) << name;
            if (area.chartArea->isVisible()) {
                EXPECT_TRUE(form.rect().contains(area.chartArea->geometry())) << name;
                EXPECT_GE(area.chartArea->height(), shown.isEmpty() ? 200 : 100) << name;
                EXPECT_FALSE(area.chartArea->geometry().intersects(area.bar->geometry())) << name;
            }
        }
    }
}

}  // namespace
}  // namespace tvx::ui
