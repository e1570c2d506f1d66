#include <gtest/gtest.h>

#include <future>

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
    std::string deviceName() const override { return "silent"; }
    std::vector<unsigned> waits;
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

}  // namespace
}  // namespace tvx::session
