// Reading several bytes at once from the simulated box, or writing a frame at once, must
// come out exactly as one byte after another: the same bytes, the same end, the same time.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "link/clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace {

using namespace tvx::sim;
using tvx::link::ReadStatus;

struct ReadCase {
    const char* name;
    std::optional<Fault> fault;
    bool pacing;
    std::size_t asked;  // bytes asked for after the request
    unsigned timeoutMs;
    std::size_t received;  // bytes that come
};

// What a reading came back with, and where it left the port and the clock.
struct Outcome {
    std::vector<std::uint8_t> bytes;
    ReadStatus status;
    std::uint64_t clockMs;
    std::size_t pending;
    bool operator==(const Outcome&) const = default;
};

// A fresh box and port with the case's fault; an engine-speed request sent as the link
// sends it, one byte every 2 ms.
struct Line {
    explicit Line(const ReadCase& c) : box(vehicleScenario("petrol-car")), port(box, clock) {
        if (c.fault) {
            box.addFault(*c.fault);
        }
        port.setPacing(c.pacing);
        port.openIndex(0);
        for (const std::uint8_t byte : {22, 0x00, 0x0C}) {
            clock.sleepMs(2);
            port.writeByte(byte);
        }
    }
    Outcome outcome(std::vector<std::uint8_t> bytes, ReadStatus status) {
        return {std::move(bytes), status, clock.nowMs(), port.pendingBytes()};
    }
    tvx::link::VirtualClock clock;
    Box box;
    InMemoryPort port;
};

Outcome oneByOne(const ReadCase& c) {
    Line line(c);
    std::vector<std::uint8_t> bytes;
    ReadStatus status = ReadStatus::Byte;
    while (bytes.size() < c.asked) {
        std::uint8_t byte = 0;
        status = line.port.readByte(byte, c.timeoutMs);
        if (status != ReadStatus::Byte) {
            break;
        }
        bytes.push_back(byte);
    }
    return line.outcome(bytes, status);
}

Outcome allAtOnce(const ReadCase& c) {
    Line line(c);
    std::vector<std::uint8_t> bytes(c.asked, 0);
    std::size_t received = 0;
    const ReadStatus status = line.port.readBytes(bytes, c.timeoutMs, received);
    EXPECT_TRUE(std::all_of(bytes.begin() + static_cast<long>(received), bytes.end(),
                            [](std::uint8_t b) { return b == 0; }))
        << "bytes that did not come must not be written";
    bytes.resize(received);
    return line.outcome(bytes, status);
}

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class InMemoryReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(InMemoryReads, SeveralAtOnceEndAsOneByOne) {
    const Outcome expected = oneByOne(GetParam());
    ASSERT_EQ(expected.bytes.size(), GetParam().received);
    const Outcome got = allAtOnce(GetParam());
    EXPECT_EQ(got.bytes, expected.bytes);
    EXPECT_EQ(got.status, expected.status);
    EXPECT_EQ(got.clockMs, expected.clockMs);
    EXPECT_EQ(got.pending, expected.pending);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, InMemoryReads,
    ::testing::Values(ReadCase{"WholeReplyPaced", std::nullopt, true, 12, 50, 12},
                      ReadCase{"WholeReplyUnpaced", std::nullopt, false, 12, 50, 12},
                      ReadCase{"PartOfAReply", std::nullopt, true, 5, 50, 5},
                      ReadCase{"MoreThanTheReply", std::nullopt, true, 14, 50, 12},
                      ReadCase{"CutShort", Fault::cutShort(3), true, 12, 50, 5},
                      ReadCase{"LateByMoreThanTheTimeOut", Fault::extraDelay(700), true, 12, 50, 0},
                      ReadCase{"LateWithinTheTimeOut", Fault::extraDelay(30), true, 12, 50, 12},
                      ReadCase{"LateWithinALongTimeOut", Fault::extraDelay(400), true, 12, 500, 12},
                      ReadCase{"Garbage", Fault::garbage(5), true, 12, 50, 5},
                      ReadCase{"SilentBox", Fault::silentBox(), true, 12, 100, 0},
                      ReadCase{"LineClosed", Fault::lineClosed(), true, 12, 50, 0},
                      ReadCase{"NothingAsked", std::nullopt, true, 0, 50, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::vector<std::uint8_t> frame;
    bool pacing;
};

void PrintTo(const WriteCase& c, std::ostream* out) {
    *out << c.name;
}

// Every byte the box sent back, with the time the reader had it.
std::vector<std::pair<std::uint8_t, std::uint64_t>> replyAsRead(InMemoryPort& port,
                                                                tvx::link::Clock& clock) {
    std::vector<std::pair<std::uint8_t, std::uint64_t>> reply;
    std::uint8_t byte = 0;
    while (port.readByte(byte, 500) == ReadStatus::Byte) {
        reply.emplace_back(byte, clock.nowMs());
    }
    return reply;
}

class InMemoryWrites : public ::testing::TestWithParam<WriteCase> {};

TEST_P(InMemoryWrites, AFrameAtOnceReachesTheBoxAsByteByByte) {
    auto run = [&](bool atOnce) {
        tvx::link::VirtualClock clock;
        clock.advance(1000);
        Box box(vehicleScenario("diesel-van"));
        InMemoryPort port(box, clock);
        port.setPacing(GetParam().pacing);
        port.openIndex(0);
        if (atOnce) {
            port.writeBytes(GetParam().frame, 2, clock);
        } else {
            port.tvx::link::SerialPort::writeBytes(GetParam().frame, 2, clock);
        }
        const std::uint64_t written = clock.nowMs();
        return std::make_tuple(written, box.requests(), replyAsRead(port, clock));
    };
    const auto expected = run(false);
    ASSERT_FALSE(std::get<2>(expected).empty()) << "the box must answer the frame";
    EXPECT_EQ(run(true), expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, InMemoryWrites,
                         ::testing::Values(WriteCase{"ParameterReadPaced", {22, 0x00, 0x0C}, true},
                                           WriteCase{
                                               "ParameterReadUnpaced", {22, 0x00, 0x0C}, false},
                                           WriteCase{"Presence", {1}, true},
                                           WriteCase{"InjectorSession", {21, 1, 16}, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InMemoryReads, AClosedPortReadsNothing) {
    tvx::link::VirtualClock clock;
    Box box(vehicleScenario("petrol-car"));
    InMemoryPort port(box, clock);
    std::vector<std::uint8_t> bytes(4, 0);
    std::size_t received = 9;
    EXPECT_EQ(port.readBytes(bytes, 50, received), ReadStatus::Error);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(clock.nowMs(), 0u);
}

}  // namespace
