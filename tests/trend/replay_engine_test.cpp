#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "replay_test_sink.h"
#include "trend/replay_engine.h"

namespace tvx::trend {
namespace {

const session::LivePage& clusterPage() {
    return session::clusterPage();
}

// Three values a cycle (the cluster page), a cycle every `periodMs`, 100 ms between reads.
LiveRecording recording(std::uint32_t cycles, std::uint64_t periodMs = 1000) {
    LiveRecording r;
    r.page = &clusterPage();
    const Gauge gauges[] = {Gauge::kmd, Gauge::flid, Gauge::dtcd};
    for (std::uint32_t c = 0; c < cycles; ++c) {
        for (std::size_t i = 0; i < 3; ++i) {
            Reading reading;
            reading.gauge = gauges[i];
            reading.timeMs = c * periodMs + i * 100;
            reading.text = std::to_string(c);
            reading.value = c;
            reading.cycle = c;
            r.readings.push_back(std::move(reading));
        }
    }
    return r;
}

TEST(Replay, BeginsWithThePageAndItsFirstCycleWhole) {
    const LiveRecording r = recording(5);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    ASSERT_EQ(sink.started.size(), 1u);
    EXPECT_EQ(sink.started[0], &clusterPage());
    EXPECT_THAT(sink.times(), ::testing::ElementsAre(0, 100, 200));
    EXPECT_FALSE(engine.playing());
    EXPECT_EQ(engine.position(), 200u);
    EXPECT_EQ(engine.duration(), 4200u);
}

struct PaceCase {
    double speed;
    std::uint64_t wallMs;
    std::size_t readingsShown;  // after begin (3) and the advance
};

class ReplayPace : public ::testing::TestWithParam<PaceCase> {};

TEST_P(ReplayPace, ShowsEveryReadingUpToTheWallTimeTimesTheSpeed) {
    const LiveRecording r = recording(20);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.setSpeed(GetParam().speed);
    engine.play();
    // In slices, as a timer would call it.
    for (std::uint64_t t = 0; t < GetParam().wallMs; t += 40) {
        engine.advance(40);
    }
    EXPECT_EQ(sink.readings.size(), GetParam().readingsShown);
    EXPECT_EQ(sink.position, engine.position());
    for (const Reading& reading : sink.readings) {
        EXPECT_LE(reading.timeMs, engine.position()) << "a reading from the future";
    }
}

INSTANTIATE_TEST_SUITE_P(Speeds, ReplayPace,
                         ::testing::Values(PaceCase{1, 1000, 6},      // 200 ms .. 1200 ms
                                           PaceCase{1, 2040, 9},      // to 2240 ms
                                           PaceCase{4, 1000, 15},     // to 4200 ms
                                           PaceCase{16, 2000, 60}));  // to the end

TEST(Replay, StopsAtTheEndAndPlaysFromTheStartAgain) {
    const LiveRecording r = recording(3);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.play();
    engine.advance(60000);
    EXPECT_TRUE(engine.atEnd());
    EXPECT_FALSE(engine.playing());
    EXPECT_EQ(sink.readings.size(), 9u);
    engine.play();
    EXPECT_TRUE(engine.playing());
    EXPECT_EQ(sink.started.size(), 2u) << "the page starts afresh";
    EXPECT_EQ(engine.position(), 0u);
}

TEST(Replay, StepsACycleAtATimeForwardAndBack) {
    const LiveRecording r = recording(4);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.play();
    engine.step();
    EXPECT_FALSE(engine.playing()) << "a step pauses";
    EXPECT_EQ(engine.cycle(), 1u);
    EXPECT_EQ(sink.readings.size(), 6u);
    EXPECT_EQ(engine.position(), 1200u);
    engine.step();
    EXPECT_EQ(engine.cycle(), 2u);
    engine.stepBack();
    EXPECT_EQ(engine.cycle(), 1u);
    EXPECT_EQ(sink.readings.size(), 6u) << "cycles 0 and 1, shown afresh";
    engine.stepBack();
    engine.stepBack();
    EXPECT_EQ(engine.cycle(), 0u);
    engine.step();
    engine.step();
    engine.step();
    engine.step();
    EXPECT_TRUE(engine.atEnd());
    EXPECT_EQ(sink.readings.size(), 12u);
}

// Cycles may share a time (a log written at a coarse clock): a step back still goes back one
// cycle and shows it without the one that shared its time.
TEST(Replay, StepsBackOverCyclesThatShareTheirTime) {
    LiveRecording r = recording(4);
    for (Reading& reading : r.readings) {
        reading.timeMs = reading.cycle < 3 ? 1000 : 2000;  // cycles 0, 1 and 2 at 1 s
    }
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.step();
    engine.step();
    engine.step();
    ASSERT_EQ(engine.cycle(), 3u);
    for (const std::uint32_t expected : {2u, 1u, 0u}) {
        engine.stepBack();
        EXPECT_EQ(engine.cycle(), expected);
        ASSERT_FALSE(sink.readings.empty());
        EXPECT_EQ(sink.readings.back().cycle, expected) << "nothing after the cycle stepped to";
        EXPECT_EQ(sink.readings.size(), 3u * (expected + 1));
    }
}

TEST(Replay, ASpeedThatIsNoNumberPlaysAtOne) {
    const LiveRecording r = recording(2);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    for (const double speed : {std::nan(""), 1e300, -1.0, 1e-300}) {
        engine.setSpeed(speed);
        EXPECT_TRUE(std::isfinite(engine.speed()));
        EXPECT_GE(engine.speed(), ReplayEngine::kSlowest);
        EXPECT_LE(engine.speed(), ReplayEngine::kFastest);
    }
}

TEST(Replay, SeekShowsTheLastTenMinutesBeforeThePointAndNothingAfter) {
    const LiveRecording r = recording(1200);  // twenty minutes
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.seek(900000 + 150);  // fifteen minutes in, within cycle 900
    EXPECT_EQ(sink.started.size(), 2u);
    ASSERT_FALSE(sink.readings.empty());
    EXPECT_EQ(sink.readings.front().timeMs, 300200u) << "ten minutes lead-in";
    EXPECT_EQ(sink.readings.back().timeMs, 900100u);
    EXPECT_EQ(engine.position(), 900150u);
    EXPECT_EQ(engine.cycle(), 900u);
    engine.seek(99999999);
    EXPECT_EQ(engine.position(), engine.duration()) << "clamped to the recording";
    EXPECT_TRUE(engine.atEnd());
}

TEST(Replay, SpeedsGoRoundFromTheSlowestToTheFastest) {
    const LiveRecording r = recording(1);
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    std::vector<double> seen{engine.speed()};
    for (int i = 0; i < 5; ++i) {
        engine.nextSpeed();
        seen.push_back(engine.speed());
    }
    EXPECT_THAT(seen, ::testing::ElementsAre(1, 2, 4, 8, 16, 1));
}

// Counts the cycles a replay reads.
class CountingSource final : public ReplaySource {
public:
    explicit CountingSource(const LiveRecording& recording) : m_held(recording) {}
    const session::LivePage* page() const override { return m_held.page(); }
    const std::vector<Gauge>& gauges() const override { return m_held.gauges(); }
    std::uint32_t cycles() const override { return m_held.cycles(); }
    std::uint64_t durationMs() const override { return m_held.durationMs(); }
    std::uint32_t cycleFrom(std::uint64_t timeMs) override { return m_held.cycleFrom(timeMs); }
    bool read(std::uint32_t cycle, std::vector<Reading>& readings) override {
        ++reads;
        return m_held.read(cycle, readings);
    }
    const std::string& error() const override { return m_held.error(); }

    std::size_t reads = 0;

private:
    HeldRecording m_held;
};

// A replay reads the cycles it shows, and those of the chart's window before a point it goes
// back or on to, never the recording from its start (it is read from the disk as it plays).
TEST(Replay, ReadsOnlyTheCyclesItShowsAndTheChartsWindowBeforeThem) {
    const LiveRecording r = recording(4000, 500);  // 33 minutes; ten minutes are 1200 cycles
    CountingSource source(r);
    Sink sink;
    ReplayEngine engine(source, sink);
    engine.begin();
    EXPECT_LE(source.reads, 2u) << "opening shows the first cycle";
    source.reads = 0;
    engine.seek(1499999);  // just before cycle 3000
    EXPECT_EQ(engine.cycle(), 2999u);
    EXPECT_LE(source.reads, 1202u);
    EXPECT_EQ(sink.readings.size(), 3u * 1200) << "the chart's ten minutes";
    source.reads = 0;
    engine.stepBack();
    EXPECT_EQ(engine.cycle(), 2998u);
    EXPECT_LE(source.reads, 1203u);
    source.reads = 0;
    engine.setSpeed(ReplayEngine::kFastest);
    engine.play();
    while (engine.playing()) {
        engine.advance(1000);
    }
    EXPECT_TRUE(engine.atEnd());
    EXPECT_EQ(engine.cycle(), 3999u);
    EXPECT_LE(source.reads, 1002u) << "played on, each cycle is read once";
}

TEST(Replay, OfAnEmptyRecordingShowsThePageAndEnds) {
    LiveRecording r;
    r.page = &clusterPage();
    Sink sink;
    HeldRecording held(r);
    ReplayEngine engine(held, sink);
    engine.begin();
    engine.play();
    engine.advance(1000);
    engine.step();
    engine.stepBack();
    EXPECT_TRUE(sink.readings.empty());
    EXPECT_TRUE(engine.atEnd());
}

}  // namespace
}  // namespace tvx::trend
