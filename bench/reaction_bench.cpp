// Press-to-screen latency: BACK pressed while the window polls live data, until the
// session shows the prompt it leads to. The session runs on its worker thread against the
// simulated diesel van at the wire rate of 9600 baud, as the window does with --simulate;
// BACK comes at a random moment of the polling pass.
//   reaction_bench [PRESSES]      default 40
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/recording_view.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/interruptible_clock.h"
#include "session/interruptible_port.h"
#include "session/session.h"
#include "session/session_runner.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"

namespace {

using Clock = std::chrono::steady_clock;
using tvx::session::Session;

// Tells the bench when a line or a gauge reaches the screen; the rest is recorded as usual.
class WatchedView final : public tvx::session::RecordingView {
public:
    void setLine(int line, const std::string& text) override {
        RecordingView::setLine(line, text);
        std::lock_guard lock(m_mutex);
        if (line == 1) {
            m_firstLine = text;
            m_lineAt = Clock::now();
        }
        m_changed.notify_all();
    }
    void setGauge(std::string_view name, const std::string& text) override {
        RecordingView::setGauge(name, text);
        std::lock_guard lock(m_mutex);
        ++m_gauges;
        m_changed.notify_all();
    }
    // Waits until the first display line reads `text`; the moment it did, or false.
    bool waitForLine(const std::string& text, Clock::time_point& at) {
        std::unique_lock lock(m_mutex);
        const bool seen =
            m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_firstLine == text; });
        at = m_lineAt;
        return seen;
    }
    bool waitForGauges(int more) {
        std::unique_lock lock(m_mutex);
        const long target = m_gauges + more;
        return m_changed.wait_for(lock, std::chrono::seconds(20),
                                  [&] { return m_gauges >= target; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_firstLine;
    Clock::time_point m_lineAt;
    long m_gauges = 0;
};

const std::string kSelectEcu = "     SELECT THE ECU     ";
const std::string kPlugTheBox = " CONNECT KESTRON 7340 TO";

}  // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::atoi(argv[1]) : 40;
    const auto dir = std::filesystem::temp_directory_path() / "tvx-reaction-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "tarvol.txt") << "1\n1\n";

    tvx::session::InterruptibleClock clock;
    tvx::sim::Box box(tvx::sim::vehicleScenario("diesel-van"));
    tvx::sim::InMemoryPort simulated(box, clock);
    simulated.setPacing(true);
    tvx::session::InterruptiblePort port(simulated, clock);
    tvx::link::Link link(port, clock);
    tvx::link::Requests requests(link);
    WatchedView view;
    Session session(link, requests, clock, view, dir);
    tvx::link::SteadyClock tickClock;
    tvx::session::SessionRunner runner(session, tickClock, &clock);
    runner.start();

    Clock::time_point at;
    if (!view.waitForLine("**  tarvolinex 7340   **", at)) {
        std::fprintf(stderr, "reaction_bench: the session did not start\n");
        return 1;
    }
    runner.post([](Session& s) { s.ok(); });  // past the start picture
    if (!view.waitForLine("  SELECT THE CAR TYPE   ", at)) {
        std::fprintf(stderr, "reaction_bench: never reached the vehicle lists\n");
        return 1;
    }
    runner.post([](Session& s) { s.selectDiesel(4); });
    runner.post([](Session& s) { s.ok(); });
    if (!view.waitForLine(kPlugTheBox, at)) {
        std::fprintf(stderr, "reaction_bench: never reached the plug prompt\n");
        return 1;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delayMs(0, 600);
    std::vector<double> latencies;
    for (int press = 0; press < presses; ++press) {
        runner.post([](Session& s) { s.ok(); });  // connect
        if (!view.waitForLine(kSelectEcu, at)) {
            std::fprintf(stderr, "reaction_bench: never reached the module menu\n");
            return 1;
        }
        runner.post([](Session& s) { s.selectModule(tvx::session::Module::Pcm); });
        runner.post([](Session& s) { s.live(); });
        if (!view.waitForGauges(3)) {
            std::fprintf(stderr, "reaction_bench: live data did not start\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        const Clock::time_point pressed = Clock::now();
        runner.post([](Session& s) { s.back(); });
        if (!view.waitForLine(kPlugTheBox, at)) {
            std::fprintf(stderr, "reaction_bench: BACK was never acted on\n");
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(at - pressed).count());
    }
    runner.stop();
    std::sort(latencies.begin(), latencies.end());
    double sum = 0;
    for (double ms : latencies) {
        sum += ms;
    }
    const auto pick = [&](double q) {
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<std::size_t>(q * static_cast<double>(latencies.size())))];
    };
    std::printf(
        "BACK during live data, %d presses: mean %.1f ms, median %.1f ms, "
        "95th %.1f ms, max %.1f ms\n",
        presses, sum / static_cast<double>(latencies.size()), pick(0.5), pick(0.95),
        latencies.back());
    return 0;
}
