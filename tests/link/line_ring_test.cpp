// The line's always-on event ring: what it keeps, in which order, and what the link puts in.
#include <gtest/gtest.h>

#include <thread>

#include "link/line_ring.h"
#include "link/link.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::link {
namespace {

TEST(LineRing, KeepsTheLastEventsOldestFirst) {
    LineRing ring;
    const std::uint64_t written = LineRing::kCapacity + 1234;
    for (std::uint64_t i = 0; i < written; ++i) {
        ring.record({i, LineEvent::Kind::Sent, static_cast<std::uint8_t>(i), 0});
    }
    const auto events = ring.snapshot();
    ASSERT_EQ(events.size(), LineRing::kCapacity);
    EXPECT_EQ(ring.total(), written);
    EXPECT_EQ(events.front().timeMs, 1234u);
    EXPECT_EQ(events.back().timeMs, written - 1);
    for (std::size_t i = 1; i < events.size(); ++i) {
        ASSERT_EQ(events[i].timeMs, events[i - 1].timeMs + 1) << i;
    }
    ring.clear();
    EXPECT_TRUE(ring.snapshot().empty());
}

TEST(LineRing, AFewEventsComeBackAsRecorded) {
    LineRing ring;
    ring.record({5, LineEvent::Kind::TimedOut, 0, 500});
    ring.record({7, LineEvent::Kind::Received, 0x42, 0});
    const auto events = ring.snapshot();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, LineEvent::Kind::TimedOut);
    EXPECT_EQ(events[0].timeoutMs, 500);
    EXPECT_EQ(events[1].byte, 0x42);
}

// The window takes snapshots while the session's worker records.
TEST(LineRing, ASnapshotDuringRecordingIsInOrder) {
    LineRing ring;
    std::thread writer([&] {
        for (std::uint64_t i = 0; i < 3 * LineRing::kCapacity; ++i) {
            ring.record({i, LineEvent::Kind::Sent, 0, 0});
        }
    });
    for (int i = 0; i < 20; ++i) {
        const auto events = ring.snapshot();
        for (std::size_t e = 1; e < events.size(); ++e) {
            ASSERT_EQ(events[e].timeMs, events[e - 1].timeMs + 1);
        }
    }
    writer.join();
}

// An exchange with the simulated box leaves its purge, bytes and time-outs in the ring.
TEST(LinkRing, RecordsTheBytesAndTheTimeOutsOfTheLine) {
    VirtualClock clock;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    Link link(port, clock);
    LineRing ring;
    link.setRing(&ring);
    ASSERT_TRUE(link.OpenPort(2));
    ASSERT_TRUE(link.ProbeInterface());
    box.addFault(sim::Fault::silentBox());
    EXPECT_FALSE(link.ProbeInterface());
    link.ClosePort();

    using K = LineEvent::Kind;
    const auto events = ring.snapshot();
    std::vector<K> kinds;
    for (const LineEvent& event : events) {
        kinds.push_back(event.kind);
    }
    EXPECT_EQ(kinds, (std::vector<K>{K::Opened, K::Purged, K::Sent, K::Received, K::Purged, K::Sent,
                                     K::TimedOut, K::Closed}));
    EXPECT_EQ(events[0].byte, 2) << "the COM index opened";
    EXPECT_EQ(events[2].byte, 0x01);
    EXPECT_EQ(events[3].byte, 0x01);
    EXPECT_EQ(events[6].timeoutMs, 1000);
    EXPECT_GE(events[6].timeMs, events[5].timeMs + 1000) << "time stamps from the link's clock";
}

TEST(LinkRing, DemonstrationModeRecordsNothing) {
    VirtualClock clock;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    Link link(port, clock);
    LineRing ring;
    link.setRing(&ring);
    link.DemoMode = true;
    link.SendByte(1);
    link.ReceiveByte(100);
    EXPECT_EQ(ring.total(), 0u);
}

}  // namespace
}  // namespace tvx::link
