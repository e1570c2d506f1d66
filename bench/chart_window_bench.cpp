// The live-data chart on the window, the whole program in one process as `--simulate
// diesel-van` runs it (the box in memory at the wire rate of 9600 baud):
//  - the process's share of a core, the polling cycle and, with the chart, how long a new
//    reading takes to reach the screen; first without a chart, then with six values of the
//    diesel page charted beside the gauges, then with the chart instead of the gauges;
//  - with --hours, the process's memory over a long run on fast-forwarded time.
//   chart_window_bench [SECONDS]                 a phase lasts SECONDS (default 60)
//   chart_window_bench --hours H [--speed S]     H hours of polling at S times real time
// Runs on any display; under Xvfb (QT_QPA_PLATFORM=xcb) the window is painted as on a desktop.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "chart/trend_chart.h"
#include "datadir/data_install.h"
#include "link/clock.h"
#include "session/interruptible_clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "ui/radio_group.h"
#include "ui/tester_controller.h"
#include "ui/tform1.h"
#include "ui/trend_area.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace {

using namespace tvx;
using Steady = std::chrono::steady_clock;

constexpr const char* kCharted[] = {"rpmp", "frpp", "iatp", "chtp", "batp", "egrdp"};
constexpr const char* kChartedGauges[] = {"rpmd", "frpd", "iatd", "chdd", "batd", "egrdd"};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Lets the GUI thread run until the condition holds (or gives up after a while).
bool runUntil(const std::function<bool()>& condition, int limitMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The event loop as the program runs it: idle until something happens.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Pauses go by S times faster than real time; the time told is the virtual one.
class FastClock final : public link::Clock {
public:
    explicit FastClock(double speed) : m_speed(speed) {}
    void sleepMs(unsigned ms) override {
        std::uint64_t owed = 0;
        {
            std::lock_guard lock(m_mutex);
            m_nowMs += ms;
            m_owedUs += static_cast<double>(ms) * 1000.0 / m_speed;
            if (m_owedUs >= 1000) {
                owed = static_cast<std::uint64_t>(m_owedUs);
                m_owedUs -= static_cast<double>(owed);
            }
        }
        if (owed > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(owed));
    }
    std::uint64_t nowMs() const override {
        std::lock_guard lock(m_mutex);
        return m_nowMs;
    }

private:
    double m_speed;
    mutable std::mutex m_mutex;
    std::uint64_t m_nowMs = 0;
    double m_owedUs = 0;
};

// What the session tells, timed on the wall clock as it happens on the worker.
class Stopwatch final : public session::SessionEvents {
public:
    void liveReading(const session::LiveReading& event) override {
        const bool charted =
            std::any_of(std::begin(kChartedGauges), std::end(kChartedGauges),
                        [&](const char* g) { return session::gaugeName(event.gauge) == g; });
        if (!charted || event.failed)
            return;
        std::lock_guard lock(m_mutex);
        m_readings.push_back(Steady::now());
    }
    void liveCycleEnded(const session::LiveCycle& event) override {
        if (!event.complete)
            return;
        std::lock_guard lock(m_mutex);
        m_cycles.push_back(Steady::now());
    }
    std::vector<Steady::time_point> readings() {
        std::lock_guard lock(m_mutex);
        return m_readings;
    }
    std::vector<Steady::time_point> cycles() {
        std::lock_guard lock(m_mutex);
        return m_cycles;
    }

private:
    std::mutex m_mutex;
    std::vector<Steady::time_point> m_readings;
    std::vector<Steady::time_point> m_cycles;
};

// Times the end of every paint of the chart.
class PaintWatch final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_inside)
            return false;
        m_inside = true;
        const auto start = Steady::now();
        QCoreApplication::sendEvent(watched, event);  // paint now, then note the time
        m_inside = false;
        paints.push_back(Steady::now());
        paintSeconds += std::chrono::duration<double>(paints.back() - start).count();
        return true;
    }
    std::vector<Steady::time_point> paints;
    double paintSeconds = 0;

private:
    bool m_inside = false;
};

struct Phase {
    const char* name;
    double cpuPercent = 0;
    double cycleMs = 0;
    std::size_t cycles = 0;
};

Phase measure(const char* name, int seconds, Stopwatch& watch) {
    const auto cyclesBefore = watch.cycles().size();
    const double cpu0 = cpuSeconds();
    const auto wall0 = Steady::now();
    runFor(seconds * 1000);
    const double cpu = cpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Steady::now() - wall0).count();
    const auto cycles = watch.cycles();
    Phase phase{name};
    phase.cpuPercent = 100.0 * cpu / wall;
    if (cycles.size() > cyclesBefore + 1) {
        const auto first = cycles[cyclesBefore];
        phase.cycles = cycles.size() - cyclesBefore - 1;
        phase.cycleMs = std::chrono::duration<double, std::milli>(cycles.back() - first).count() /
                        static_cast<double>(phase.cycles);
    }
    return phase;
}

void press(ui::TForm1& form, const char* name) {
    QAbstractButton* button = form.button(name);
    if (!runUntil([&] { return button->isEnabled() && !button->isHidden(); })) {
        std::fprintf(stderr, "chart_window_bench: %s never usable\n", name);
        std::exit(1);
    }
    button->click();
}

void toDieselLiveData(ui::TForm1& form) {
    auto line = [&](int n) { return form.displayLine(n)->value(); };
    runUntil([&] { return line(1) == QLatin1String(" SELECT COM AND LANGUAGE"); });
    form.list("RGCom")->item(0)->click();
    press(form, "OK");
    runUntil([&] { return !form.findChild<QWidget*>("Frame31")->isHidden(); });
    form.list("DG1")->item(4)->click();  // FOCUS 1.8 TDCI
    press(form, "OK");
    runUntil([&] { return line(1) == QLatin1String(" CONNECT KESTRON 7340 TO"); });
    press(form, "OK");
    runUntil([&] { return line(1) == QLatin1String("     SELECT THE ECU     "); });
    press(form, "pcm");
    press(form, "live");
    auto* frp = form.findChild<QWidget*>("Frame71")->findChild<widgets::TSevenSegment*>("frpd");
    if (!runUntil([&] { return frp->value() != QLatin1String("0"); })) {
        std::fprintf(stderr, "chart_window_bench: no live data\n");
        std::exit(1);
    }
}

void chartSix(ui::TForm1& form) {
    for (const char* panel : kCharted) {
        QWidget* widget = form.findChild<QWidget*>("Frame71")->findChild<QWidget*>(panel);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                          widget->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
    }
}

QString dataDirectory(QTemporaryDir& dir) {
    session::installDataFiles(
        session::shippedDataDirectories(QCoreApplication::applicationDirPath().toStdString()),
        dir.path().toStdString());
    return dir.path();
}

int timing(int seconds) {
    QTemporaryDir dir;
    session::InterruptibleClock clock;
    link::SteadyClock tick;
    sim::Box box(sim::vehicleScenario("diesel-van"));
    sim::InMemoryPort port(box, clock);
    port.setPacing(true);
    ui::TForm1 form(dataDirectory(dir) + "/start.jpg");
    ui::TesterController controller(form, {port, clock, tick, &clock, dir.path().toStdString()});
    Stopwatch watch;
    controller.addSessionListener(watch);
    form.show();
    controller.start();
    toDieselLiveData(form);
    runFor(3000);  // settle

    std::vector<Phase> phases;
    phases.push_back(measure("gauges only (today)", seconds, watch));

    chartSix(form);
    PaintWatch paints;
    form.trendArea().chart->viewport()->installEventFilter(&paints);
    const auto readingsBefore = watch.readings().size();
    phases.push_back(measure("6 values charted beside the gauges", seconds, watch));
    const auto readings = watch.readings();
    form.trendArea().chart->viewport()->removeEventFilter(&paints);
    const chart::TrendChart& chart = *form.trendArea().chart;
    std::printf("chart drawings: %llu, of which whole plot: %llu\n",
                static_cast<unsigned long long>(chart.drawings()),
                static_cast<unsigned long long>(chart.fullDrawings()));

    controller.trend().setPlace(ui::TrendController::Place::Chart);
    phases.push_back(measure("6 values charted instead of the gauges", seconds, watch));

    controller.trend().setPlace(ui::TrendController::Place::GaugesAndChart);
    press(form, "recordLive");
    phases.push_back(measure("the same beside, recording", seconds, watch));
    press(form, "recordLive");
    controller.stop();

    std::printf("%-40s %8s %10s %8s\n", "phase", "CPU %", "cycle ms", "cycles");
    for (const Phase& phase : phases)
        std::printf("%-40s %8.2f %10.1f %8zu\n", phase.name, phase.cpuPercent, phase.cycleMs,
                    phase.cycles);
    std::printf("cycle lengthened by the chart: %+.2f %%, by the chart and a recording: %+.2f %%\n",
                100.0 * (phases[1].cycleMs / phases[0].cycleMs - 1.0),
                100.0 * (phases[3].cycleMs / phases[0].cycleMs - 1.0));

    // Reading to screen: from a charted value's reply on the worker to the end of the first
    // paint of the chart after it.
    std::vector<double> latencies;
    for (std::size_t i = readingsBefore; i < readings.size(); ++i) {
        const auto painted =
            std::lower_bound(paints.paints.begin(), paints.paints.end(), readings[i]);
        if (painted != paints.paints.end())
            latencies.push_back(
                std::chrono::duration<double, std::milli>(*painted - readings[i]).count());
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        auto at = [&](double share) {
            return latencies[std::min(
                latencies.size() - 1,
                static_cast<std::size_t>(share * static_cast<double>(latencies.size())))];
        };
        std::printf(
            "reading to screen (%zu readings, %zu paints): median %.1f ms, 95 %% %.1f ms, "
            "99 %% %.1f ms, max %.1f ms, over 50 ms: %zu\n",
            latencies.size(), paints.paints.size(), at(0.5), at(0.95), at(0.99), latencies.back(),
            static_cast<std::size_t>(std::count_if(latencies.begin(), latencies.end(),
                                                   [](double ms) { return ms > 50; })));
        std::printf("one paint of the chart: %.2f ms\n",
                    1000 * paints.paintSeconds / static_cast<double>(paints.paints.size()));
    }
    return 0;
}

int memory(double hours, double speed) {
    QTemporaryDir dir;
    FastClock clock(speed);
    link::VirtualClock tick;
    sim::Box box(sim::vehicleScenario("diesel-van"));
    sim::InMemoryPort port(box, clock);
    port.setPacing(true);
    ui::TForm1 form(dataDirectory(dir) + "/start.jpg");
    ui::TesterController controller(form, {port, clock, tick, nullptr, dir.path().toStdString()});
    form.show();
    controller.start();
    toDieselLiveData(form);
    chartSix(form);
    controller.trend().setPlace(ui::TrendController::Place::GaugesAndChart);
    std::printf("%8s %10s %14s %12s\n", "hours", "RSS MB", "chart points", "tap pending");
    const auto step = static_cast<std::uint64_t>(1800 * 1000);  // every half hour of polling
    for (std::uint64_t at = step; static_cast<double>(at) <= hours * 3600 * 1000; at += step) {
        runUntil([&] { return clock.nowMs() >= at; }, 24 * 3600 * 1000);
        std::printf("%8.1f %10.1f %14zu %12zu\n", static_cast<double>(at) / 3600000.0, residentMb(),
                    controller.trend().chartModel().pointCount(),
                    controller.trend().tap().pending());
        std::fflush(stdout);
    }
    controller.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--hours") == 0) {
        const double speed =
            argc >= 5 && std::strcmp(argv[3], "--speed") == 0 ? std::stod(argv[4]) : 200;
        return memory(std::stod(argv[2]), speed);
    }
    return timing(argc >= 2 ? std::stoi(argv[1]) : 60);
}
