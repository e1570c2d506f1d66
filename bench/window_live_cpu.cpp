// CPU of the tester's window while it polls live data. Wires the window as the program
// does (wall-clock pauses that closing cuts short, the box either simulated in this process
// at the 9600-baud pace or reached over a serial device), clicks through to a live-data
// page, then measures the session's worker thread for a while.
//
//   window_live_cpu [--port DEVICE] [--vehicle INDEX] [--seconds S] [--watch-pid PID]
//                   [--fast PANEL]
//
// Prints one "name value" pair a line: the worker's CPU in % of one core, its wakes a
// second (voluntary context switches) and the bytes it sent a second (the polling rate,
// which must not drop), the GUI thread's CPU, the whole process's CPU (user + system time),
// and with --watch-pid the CPU of that process (the simulator serving DEVICE) over the same
// interval. With --fast the gauge of that panel ("rpmp") is clicked onto the chart and
// polled alone (the chart's Fast switch) before measuring; its samples a second are printed.
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>

#include "link/clock.h"
#include "link/system_port.h"
#include "session/interruptible_clock.h"
#include "session/interruptible_port.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/radio_group.h"
#include "ui/tester_controller.h"
#include "ui/tform1.h"
#include "ui_helpers.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::optional<std::string> port;
    int vehicle = 1;  // "FIESTA  1.4i": fourteen reads a cycle
    int seconds = 30;
    std::optional<long> watchPid;
    std::optional<std::string> fastPanel;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--port")
            options.port = value;
        else if (name == "--vehicle")
            options.vehicle = std::atoi(value);
        else if (name == "--seconds")
            options.seconds = std::atoi(value);
        else if (name == "--watch-pid")
            options.watchPid = std::atol(value);
        else if (name == "--fast")
            options.fastPanel = value;
        else
            throw std::invalid_argument("unknown option " + name);
    }
    return options;
}

// Counts the bytes the tester sends: the polling rate, which must not drop. Passes every
// other call on unchanged, reading and writing several bytes at once included where the
// port has them: this program also measures older trees, from before those calls.
template <typename Port = tvx::link::SerialPort>
class CountingPortBase : public Port {
public:
    explicit CountingPortBase(Port& inner) : m_inner(inner) {}
    bool openIndex(int index) override { return m_inner.openIndex(index); }
    bool openDevice(const std::string& device) override { return m_inner.openDevice(device); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool close() override { return m_inner.close(); }
    void purge() override { m_inner.purge(); }
    bool writeByte(std::uint8_t byte) override {
        ++sent;
        return m_inner.writeByte(byte);
    }
    tvx::link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override {
        return m_inner.readByte(byte, timeoutMs);
    }
    std::string deviceName() const override { return m_inner.deviceName(); }
    std::atomic<long> sent{0};

protected:
    Port& m_inner;
};

template <typename Port>
concept ReadsSeveralBytes = requires(Port& port, std::span<std::uint8_t> bytes, std::size_t& n) {
    port.readBytes(bytes, 1u, n);
};

template <typename Port = tvx::link::SerialPort>
class CountingPort final : public CountingPortBase<Port> {
public:
    using CountingPortBase<Port>::CountingPortBase;
};

template <ReadsSeveralBytes Port>
class CountingPort<Port> final : public CountingPortBase<Port> {
public:
    using CountingPortBase<Port>::CountingPortBase;
    tvx::link::ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                                    std::size_t& received) override {
        return this->m_inner.readBytes(bytes, timeoutMs, received);
    }
    void writeBytes(std::span<const std::uint8_t> bytes, unsigned pauseMs,
                    tvx::link::Clock& clock) override {
        this->sent += static_cast<long>(bytes.size());
        this->m_inner.writeBytes(bytes, pauseMs, clock);
    }
};

// Threads of this process.
std::set<std::string> taskIds() {
    std::set<std::string> ids;
    for (const auto& entry : fs::directory_iterator("/proc/self/task"))
        ids.insert(entry.path().filename().string());
    return ids;
}

// Nanoseconds on a CPU so far (first field of schedstat).
double runNs(const std::string& schedstatPath) {
    std::ifstream in(schedstatPath);
    double ns = 0;
    in >> ns;
    return ns;
}

long voluntarySwitches(const std::string& task) {
    std::ifstream in("/proc/self/task/" + task + "/status");
    std::string word;
    while (in >> word)
        if (word == "voluntary_ctxt_switches:") {
            long count = 0;
            in >> count;
            return count;
        }
    return 0;
}

// User and system time of this whole process so far, in seconds (/proc/self/stat).
double processCpuSeconds() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));  // after the command's name
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
        if (i == 14)
            utime = std::stod(field);
        if (i == 15) {
            stime = std::stod(field);
            break;
        }
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Good readings of every gauge, counted on the session's thread.
class ReadingCounter final : public tvx::session::SessionEvents {
public:
    void liveReading(const tvx::session::LiveReading& reading) override {
        if (!reading.failed && reading.gauge == gauge)
            ++count;
    }
    tvx::session::Gauge gauge{};  // set before the session starts
    std::atomic<long> count{0};
};

void fail(const std::string& what) {
    std::cerr << "window_live_cpu: " << what << '\n';
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const std::exception& error) {
        fail(error.what());
    }

    QTemporaryDir dataDir;
    tvx::session::InterruptibleClock clock;
    tvx::link::SteadyClock tickClock;
    std::unique_ptr<tvx::sim::Box> box;
    std::unique_ptr<tvx::link::SerialPort> port;
    if (options.port) {
        port = tvx::link::makeSystemPort(options.port);
    } else {
        box = std::make_unique<tvx::sim::Box>(tvx::sim::vehicleScenario("petrol-car"));
        auto simulated = std::make_unique<tvx::sim::InMemoryPort>(*box, clock);
        simulated->setPacing(true);
        port = std::move(simulated);
    }
    CountingPort<> counted(*port);
    tvx::session::InterruptiblePort stoppablePort(counted, clock);
    tvx::ui::TForm1 form{QString()};
    tvx::ui::TesterController controller(
        form, {stoppablePort, clock, tickClock, &clock, dataDir.path().toStdString()});
    ReadingCounter samples;
    controller.addSessionListener(samples);
    form.show();

    const std::set<std::string> before = taskIds();
    controller.start();
    std::string worker;
    for (const std::string& id : taskIds())
        if (!before.contains(id))
            worker = id;
    if (worker.empty())
        fail("the session's worker thread was not found");

    auto line = [&](int n) { return form.displayLine(n)->value(); };
    auto press = [&](const char* name) {
        QAbstractButton* button = form.button(name);
        if (!tvx::ui::test::waitFor([&] { return tvx::ui::test::usable(button); }))
            fail(std::string("the button ") + name + " never became usable");
        button->click();
    };
    auto waitLine = [&](const char* text) {
        if (!tvx::ui::test::waitFor([&] { return line(1) == QLatin1String(text); }))
            fail(std::string("the screen never showed \"") + text + "\"");
    };
    waitLine(" SELECT COM AND LANGUAGE");
    press("OK");
    waitLine("  SELECT THE CAR TYPE   ");
    form.list("PG1")->item(options.vehicle)->click();
    press("OK");
    waitLine(" CONNECT KESTRON 7340 TO");
    press("OK");
    waitLine("     SELECT THE ECU     ");
    press("pcm");
    press("live");
    auto* rpm = form.findChild<tvx::widgets::TSevenSegment*>("rpmd");
    if (!tvx::ui::test::waitFor([&] { return rpm->value() != "0"; }))
        fail("no live data");
    if (options.fastPanel) {
        auto* panel = form.findChild<QWidget*>(QString::fromStdString(*options.fastPanel));
        if (panel == nullptr)
            fail("no panel " + *options.fastPanel);
        tvx::ui::test::click(panel);
        const auto& charted = controller.trend().chartModel().series();
        if (charted.size() != 1)
            fail("the panel " + *options.fastPanel + " put no value on the chart");
        samples.gauge = charted.front().gauge;
        press("chartFast");
        auto* fast = form.findChild<QAbstractButton*>("chartFast");
        if (!tvx::ui::test::waitFor([&] { return fast->isChecked(); }))
            fail("fast mode never began");
        QTest::qWait(1000);  // the pace settles
    }

    const std::string workerStat = "/proc/self/task/" + worker + "/schedstat";
    const std::string guiStat = "/proc/self/task/" + std::to_string(::gettid()) + "/schedstat";
    const std::string watchStat =
        options.watchPid ? "/proc/" + std::to_string(*options.watchPid) + "/schedstat" : "";
    const double worker0 = runNs(workerStat);
    const double gui0 = runNs(guiStat);
    const double watch0 = options.watchPid ? runNs(watchStat) : 0;
    const long wakes0 = voluntarySwitches(worker);
    const long sent0 = counted.sent;
    const long samples0 = samples.count;
    const double process0 = processCpuSeconds();
    QElapsedTimer elapsed;
    elapsed.start();

    QEventLoop loop;
    QTimer::singleShot(options.seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();

    const double wallNs = static_cast<double>(elapsed.nsecsElapsed());
    const double workerNs = runNs(workerStat) - worker0;
    const double guiNs = runNs(guiStat) - gui0;
    const long wakes = voluntarySwitches(worker) - wakes0;
    std::printf("worker_cpu_percent %.2f\n", 100.0 * workerNs / wallNs);
    std::printf("worker_wakes_per_second %.0f\n", wakes / (wallNs / 1e9));
    std::printf("bytes_sent_per_second %.1f\n", (counted.sent - sent0) / (wallNs / 1e9));
    std::printf("gui_cpu_percent %.2f\n", 100.0 * guiNs / wallNs);
    std::printf("process_cpu_percent %.2f\n",
                100.0 * (processCpuSeconds() - process0) / (wallNs / 1e9));
    if (options.fastPanel)
        std::printf("fast_samples_per_second %.1f\n", (samples.count - samples0) / (wallNs / 1e9));
    if (options.watchPid)
        std::printf("watched_cpu_percent %.2f\n", 100.0 * (runNs(watchStat) - watch0) / wallNs);
    std::printf("seconds %.1f\n", wallNs / 1e9);
    controller.stop();
    return 0;
}
