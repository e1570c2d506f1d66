#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "session/interruptible_clock.h"
#include "session/interruptible_port.h"
#include "session/session_runner.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;

// Runs `query` on the worker between two steps and returns its answer.
template <typename F>
auto onWorker(SessionRunner& runner, F query) {
    using Result = decltype(query(std::declval<Session&>()));
    auto promise = std::make_shared<std::promise<Result>>();
    auto answer = promise->get_future();
    runner.post([promise, query](Session& session) { promise->set_value(query(session)); });
    return answer.get();
}

// Posts queries until the session waits in `state`.
void waitForState(SessionRunner& runner, State state) {
    for (int i = 0; i < 100000; ++i) {
        if (onWorker(runner, [](Session& s) { return s.isWaiting() ? s.state() : State::Start; }) ==
            state) {
            return;
        }
    }
    FAIL() << "never reached state " << state;
}

TEST(SessionRunner, RunsTheSessionAndAppliesQueuedCommandsBetweenSteps) {
    Bench bench;
    bench.dir.write("tarvol.txt", "1\n1\n");
    SessionRunner runner(bench.session, bench.clock);
    runner.start();
    waitForState(runner, State::StartPanel);
    runner.post([](Session& s) { s.ok(); });
    waitForState(runner, State::CarTypeWait);
    runner.post([](Session& s) { s.selectPetrol(0); });
    runner.post([](Session& s) { s.ok(); });
    waitForState(runner, State::PlugTheBoxWait);
    runner.post([](Session& s) { s.ok(); });
    waitForState(runner, State::ModuleMenu);
    runner.stop();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(bench.view.lines[0], "     SELECT THE ECU     ");
}

TEST(SessionRunner, DoesNotStepWhileTheStateWaits) {
    Bench bench;
    bench.dir.write("tarvol.txt", "1\n1\n");
    SessionRunner runner(bench.session, bench.clock);
    runner.start();
    waitForState(runner, State::StartPanel);
    // Each step costs one virtual millisecond of the tick clock; a waiting session none.
    const auto first = onWorker(runner, [&](Session&) { return bench.clock.nowMs(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto second = onWorker(runner, [&](Session&) { return bench.clock.nowMs(); });
    EXPECT_EQ(first, second);
    runner.stop();
}

TEST(SessionRunner, StopEndsACountdownOfLongPauses) {
    Bench bench;
    InterruptibleClock wallClock;
    Session session(bench.link, bench.requests, wallClock, bench.view, bench.dir.path());
    SessionTestAccess::putInState(session, State::PleaseWaitOff);  // 32 one-second waits
    session.Countdown = 31;
    SessionRunner runner(session, wallClock, &wallClock);
    runner.start();
    EXPECT_EQ(onWorker(runner, [](Session& s) { return s.state(); }), State::PleaseWaitOff);
    runner.stop();
    EXPECT_TRUE(wallClock.interrupted());
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(session.state(), State::PleaseWaitOff);
    EXPECT_GT(session.Countdown, 0);
}

TEST(SessionRunner, StopEndsAPollingPage) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    SessionRunner runner(bench.session, bench.clock);
    runner.start();
    bool polled = false;
    for (int i = 0; i < 100000 && !polled; ++i) {
        polled = onWorker(runner, [&](Session&) { return !bench.view.gauge("rpmd").empty(); });
    }
    EXPECT_TRUE(polled);
    runner.stop();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(bench.session.state(), State::PetrolKaPoll);
}

// Holds whoever enters it until it is opened; tells the test when someone is held.
class Gate {
public:
    void enter() {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
    }
    void waitEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_open = false;
};

// A tick clock that keeps the worker in its first interval between two steps until the
// gate opens.
class GatedTicks final : public link::Clock {
public:
    void sleepMs(unsigned) override { gate.enter(); }
    std::uint64_t nowMs() const override { return 0; }
    Gate gate;
};

// Polls until the condition holds; false when it did not within the limit.
bool holdsWithin(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(SessionRunner, StopFromTwoThreadsEndsTheWorkerOnceAndBothWaitForIt) {
    Bench bench;
    GatedTicks ticks;
    SessionRunner runner(bench.session, ticks);
    runner.start();
    ticks.gate.waitEntered();  // the worker is held between its first two steps
    std::atomic<int> returned = 0;
    std::atomic<int> failed = 0;
    auto stopper = [&] {
        try {
            runner.stop();
        } catch (const std::exception&) {
            ++failed;  // e.g. the worker joined twice
        }
        ++returned;
    };
    std::thread first(stopper);
    std::thread second(stopper);
    // The worker stays held long enough for both to reach their wait for it; meanwhile
    // neither stop() may come back.
    EXPECT_FALSE(holdsWithin([&] { return returned > 0; }, std::chrono::milliseconds(300)));
    ticks.gate.open();
    const bool bothBack = holdsWithin([&] { return returned == 2; }, std::chrono::seconds(20));
    if (bothBack) {
        first.join();
        second.join();
    } else {  // a stop() waiting for a worker that another stop() already joined
        first.detach();
        second.detach();
    }
    ASSERT_TRUE(bothBack) << "a stop() never came back";
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(runner.running());
}

// A runner on a session with stored settings, which soon waits on its start panel.
class StartPanelRunner : public ::testing::Test {
protected:
    StartPanelRunner() { bench.dir.write("tarvol.txt", "1\n1\n"); }
    void startAndWait() {
        runner.start();
        waitForState(runner, State::StartPanel);
    }
    Bench bench;
    SessionRunner runner{bench.session, bench.clock};
};

TEST_F(StartPanelRunner, ACommandGivenWhileStoppedNeverRunsAfterARestart) {
    startAndWait();
    runner.stop();
    std::atomic<bool> ran = false;
    runner.post([&](Session&) { ran = true; });  // a click on the stopped tester
    startAndWait();                              // the queue has been worked through since
    runner.stop();
    EXPECT_FALSE(ran);
}

TEST_F(StartPanelRunner, StopDropsTheCommandsNotYetApplied) {
    startAndWait();
    Gate inCommand;
    runner.post([&](Session&) { inCommand.enter(); });
    inCommand.waitEntered();
    std::atomic<bool> lateRan = false;
    runner.post([&](Session&) { lateRan = true; });  // waits behind the command in progress
    std::thread stopper([&] { runner.stop(); });
    ASSERT_TRUE(holdsWithin([&] { return !runner.running(); }, std::chrono::seconds(20)));
    inCommand.open();
    stopper.join();
    startAndWait();
    runner.stop();
    EXPECT_FALSE(lateRan);
}

TEST_F(StartPanelRunner, PostSaysWhetherTheCommandWasTaken) {
    EXPECT_FALSE(runner.post([](Session&) {}));
    runner.start();
    EXPECT_TRUE(runner.post([](Session&) {}));
    runner.stop();
    EXPECT_FALSE(runner.post([](Session&) {}));
}

// A command that stops the runner (as EXIT could) ends the worker after itself instead of
// waiting for itself; the runner can be started again.
TEST_F(StartPanelRunner, ACommandMayStopItsOwnRunner) {
    startAndWait();
    runner.post([&](Session&) { runner.stop(); });
    EXPECT_TRUE(holdsWithin([&] { return !runner.running(); }, std::chrono::seconds(20)));
    startAndWait();
    EXPECT_TRUE(runner.running());
    runner.stop();
    EXPECT_FALSE(runner.running());
}

TEST(InterruptibleClock, PausesReturnAtOnceAfterAnInterruptUntilReset) {
    InterruptibleClock clock;
    clock.interrupt();
    clock.sleepMs(600000);  // would hang the test if it slept
    EXPECT_TRUE(clock.interrupted());
    clock.reset();
    EXPECT_FALSE(clock.interrupted());
    const auto before = clock.nowMs();
    clock.sleepMs(1);
    EXPECT_GE(clock.nowMs(), before);
}

// A line on which nothing ever arrives; it keeps the waits it was asked for.
class SilentLine final : public link::SerialPort {
public:
    bool openIndex(int) override { return true; }
    bool openDevice(const std::string&) override { return true; }
    bool isOpen() const override { return true; }
    bool close() override { return true; }
    void purge() override {}
    bool writeByte(std::uint8_t) override { return true; }
    link::ReadStatus readByte(std::uint8_t&, unsigned timeoutMs) override {
        waits.push_back(timeoutMs);
        return link::ReadStatus::TimedOut;
    }
    link::ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                               std::size_t& received) override {
        batchWaits.push_back(timeoutMs);
        return SerialPort::readBytes(bytes, timeoutMs, received);
    }
    std::string deviceName() const override { return "silent"; }
    std::vector<unsigned> waits;
    std::vector<unsigned> batchWaits;  // timeouts of the readBytes calls
};

TEST(InterruptiblePort, WaitsInSlicesAndNotAtAllOnceInterrupted) {
    SilentLine line;
    InterruptibleClock clock;
    InterruptiblePort port(line, clock);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 3020), link::ReadStatus::TimedOut);
    ASSERT_EQ(line.waits.size(), 61u);
    EXPECT_EQ(line.waits.front(), InterruptiblePort::kSliceMs);
    EXPECT_EQ(line.waits.back(), 20u);
    line.waits.clear();
    clock.interrupt();  // the runner is stopping: a module probe must not wait 3 s
    EXPECT_EQ(port.readByte(byte, 3000), link::ReadStatus::TimedOut);
    EXPECT_TRUE(line.waits.empty());
}

// A reply's data bytes (50 ms each) go to the port in one call, which it may wait for at
// once; longer waits go in slices so that stopping never waits them out.
TEST(InterruptiblePort, PassesShortReadsOfSeveralBytesOnWhole) {
    SilentLine line;
    InterruptibleClock clock;
    InterruptiblePort port(line, clock);
    std::array<std::uint8_t, 10> bytes{};
    std::size_t received = 7;
    EXPECT_EQ(port.readBytes(bytes, 50, received), link::ReadStatus::TimedOut);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(line.batchWaits, std::vector<unsigned>{50});
    line.waits.clear();
    line.batchWaits.clear();
    EXPECT_EQ(port.readBytes(bytes, 120, received), link::ReadStatus::TimedOut);
    EXPECT_TRUE(line.batchWaits.empty());
    EXPECT_EQ(line.waits, (std::vector<unsigned>{50, 50, 20}));
    line.waits.clear();
    clock.interrupt();
    EXPECT_EQ(port.readBytes(bytes, 50, received), link::ReadStatus::TimedOut);
    EXPECT_TRUE(line.batchWaits.empty());
    EXPECT_TRUE(line.waits.empty());
}

}  // namespace
}  // namespace tvx::session
