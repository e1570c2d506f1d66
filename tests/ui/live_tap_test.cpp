// The tap that carries live readings from the session's worker to the GUI thread.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "link/clock.h"
#include "ui/live_tap.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

struct Sink final : LiveSink {
    void livePageStarted(const session::LivePage& page, bool) override {
        events.push_back("page " + std::to_string(session::stateNumber(page.pollState)));
    }
    void liveReading(const trend::Reading& reading) override {
        events.push_back(std::string(session::gaugeName(reading.gauge)) + " " + reading.text);
    }
    void liveLineLost(std::uint64_t timeMs) override {
        events.push_back("lost " + std::to_string(timeMs));
    }
    void liveBatchDone() override { ++batches; }

    std::vector<std::string> events;
    int batches = 0;
};

session::LiveReading reading(int n) {
    session::LiveReading event;
    event.gauge = session::Gauge::rpmd;
    event.text = std::to_string(n);
    event.timeMs = static_cast<std::uint64_t>(n);
    return event;
}

TEST(LiveTap, BringsEveryEventAcrossInOrderInFewBatches) {
    Sink sink;
    link::VirtualClock clock;
    clock.advance(777);
    LiveTap tap(sink, clock);
    const session::LivePage& page = session::clusterPage();
    constexpr int kReadings = 5000;
    std::thread worker([&] {
        tap.livePageStarted({&page, false});
        for (int n = 0; n < kReadings; ++n)
            tap.liveReading(reading(n));
        tap.lineLost();
    });
    worker.join();
    ASSERT_TRUE(test::waitFor([&] { return sink.events.size() == kReadings + 2; }));
    EXPECT_EQ(sink.events.front(), "page 29");
    for (int n = 0; n < kReadings; ++n)
        ASSERT_EQ(sink.events[static_cast<std::size_t>(n) + 1], "rpmd " + std::to_string(n));
    EXPECT_EQ(sink.events.back(), "lost 777") << "timed on the session's clock";
    EXPECT_LE(sink.batches, 2) << "one call across per batch, not one per reading";
    EXPECT_EQ(tap.pending(), 0u);
}

TEST(LiveTap, AFailedReadingArrivesFailedWithoutAValue) {
    link::VirtualClock clock;
    struct Failures final : LiveSink {
        void livePageStarted(const session::LivePage&, bool) override {}
        void liveReading(const trend::Reading& r) override { readings.push_back(r); }
        void liveLineLost(std::uint64_t) override {}
        void liveBatchDone() override {}
        std::vector<trend::Reading> readings;
    } failures;
    LiveTap failing(failures, clock);
    session::LiveReading event = reading(5);
    event.failed = true;
    event.text = "";
    failing.liveReading(event);
    failing.flush();
    ASSERT_EQ(failures.readings.size(), 1u);
    EXPECT_TRUE(failures.readings[0].failed);
    EXPECT_TRUE(std::isnan(failures.readings[0].value));
}

}  // namespace
}  // namespace tvx::ui
