#include <gtest/gtest.h>

#include "link/decoder_table.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace {

using namespace tvx::sim;
using Bytes = std::vector<std::uint8_t>;

// Sends a request one byte every 2 ms from `atMs`; returns what the box sent back.
Bytes send(Box& box, const Bytes& request, std::uint64_t atMs = 0) {
    Bytes reply;
    for (const auto byte : request) {
        const BoxOutput out = box.receive(byte, atMs);
        reply.insert(reply.end(), out.bytes.begin(), out.bytes.end());
        atMs += 2;
    }
    return reply;
}

double engineeringAt(Box& box, std::uint16_t identifier, std::uint64_t atMs) {
    const Bytes reply = send(box,
                             {22, static_cast<std::uint8_t>(identifier >> 8),
                              static_cast<std::uint8_t>(identifier & 0xFF)},
                             atMs);
    EXPECT_EQ(reply.size(), 12u);
    EXPECT_EQ(reply[5], 0x62);
    const auto* row = tvx::link::findDecoderRow(identifier);
    const unsigned raw =
        row->raw == tvx::link::RawForm::TwoBytes ? reply[8] * 256 + reply[9] : reply[8];
    return tvx::link::engineeringValue(*row, raw);
}

TEST(Box, AnswersPresenceAndProbes) {
    Box box(vehicleScenario("diesel-van"));
    EXPECT_EQ(send(box, {1}), Bytes{1});
    for (std::uint8_t probe = 40; probe <= 44; ++probe) {
        EXPECT_EQ(send(box, {probe}), Bytes{2});
    }
}

// A simulator left running all day must not grow: its log of requests is bounded.
TEST(Box, KeepsABoundedLogOfTheLatestRequests) {
    Box box(vehicleScenario("petrol-car"));
    const std::size_t total = Box::kRequestLogLimit + 1000;
    for (std::size_t i = 0; i < total; ++i) {
        box.receive(i % 2 == 0 ? 1 : 40, i);
    }
    EXPECT_LE(box.requests().size(), Box::kRequestLogLimit);
    EXPECT_GE(box.requests().size(), Box::kRequestLogLimit / 2);
    EXPECT_EQ(box.requests().back(),
              Bytes{static_cast<std::uint8_t>((total - 1) % 2 == 0 ? 1 : 40)});
}

TEST(Box, AbsentModuleStaysSilentAndKeepsTheSelection) {
    Scenario car = vehicleScenario("petrol-car");
    car.modules[kAbs].protocol = 0;
    Box box(car);
    EXPECT_TRUE(send(box, {42}).empty());
    EXPECT_TRUE(send(box, {0x0A, 0x28}).empty());
    EXPECT_EQ(box.selectedModule(), kPcm);
    EXPECT_EQ(send(box, {0x14, 0x60}), Bytes{0x60});
    EXPECT_EQ(box.selectedModule(), kCluster);
}

TEST(Box, ARequestInterruptedForLongerThanAGapIsDropped) {
    Box box(vehicleScenario("petrol-car"));
    box.receive(22, 0);
    box.receive(0x00, 2);
    EXPECT_TRUE(box.receive(0x0C, 500).bytes.empty());  // starts over with 0x0C
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}, 1000).size(), 12u);
}

TEST(Box, EngineIdlesAroundEightHundredAndWarmsUp) {
    Box box(vehicleScenario("petrol-car"));
    std::vector<double> speeds;
    for (std::uint64_t t = 0; t < 10000; t += 700) {
        speeds.push_back(engineeringAt(box, 0x000C, t));
    }
    for (const double rpm : speeds) {
        EXPECT_GT(rpm, 750);
        EXPECT_LT(rpm, 850);
    }
    EXPECT_NE(*std::min_element(speeds.begin(), speeds.end()),
              *std::max_element(speeds.begin(), speeds.end()));
    const double cold = engineeringAt(box, 0x0005, 10000);
    const double warm = engineeringAt(box, 0x0005, 900000);
    EXPECT_LT(cold, 30);
    EXPECT_GT(warm, 85);
    EXPECT_NEAR(engineeringAt(box, 0x1172, 600000), 14.2, 0.1);
}

// A steady scenario answers the values the moving car shows at that second, at any time.
TEST(Box, ASteadyCarHoldsItsValuesAtTheGivenSecond) {
    Box moving(vehicleScenario("petrol-car"));
    Scenario steadyScenario = vehicleScenario("petrol-car");
    steadyScenario.steadyAtSeconds = 120.0;
    Box steady(steadyScenario);
    engineeringAt(moving, 0x000C, 0);  // the box's time starts at its first byte
    const double rpmAtTwoMinutes = engineeringAt(moving, 0x000C, 120000);
    const double coolantAtTwoMinutes = engineeringAt(moving, 0x0005, 120000);
    for (std::uint64_t t : {0u, 700u, 5300u, 900000u}) {
        EXPECT_EQ(engineeringAt(steady, 0x000C, t), rpmAtTwoMinutes) << t;
        EXPECT_EQ(engineeringAt(steady, 0x0005, t), coolantAtTwoMinutes) << t;
    }
}

TEST(Box, EveryDecoderIdentifierIsAnswered) {
    Box box(vehicleScenario("diesel-van"));
    for (const auto& row : tvx::link::decoderTable()) {
        if (row.module != 1) {
            continue;
        }
        const Bytes reply = send(box, {32, static_cast<std::uint8_t>(row.identifier >> 8),
                                       static_cast<std::uint8_t>(row.identifier & 0xFF)});
        ASSERT_EQ(reply.size(), 12u) << std::hex << row.identifier;
        EXPECT_EQ(reply[5], 0x62) << std::hex << row.identifier;
    }
}

TEST(Box, TroubleCodeCountFollowsTheSelectedModule) {
    Box box(vehicleScenario("petrol-car"));
    EXPECT_EQ(send(box, {22, 0x02, 0x00})[8], 3);
    send(box, {0x14, 0x60});
    EXPECT_EQ(send(box, {22, 0x02, 0x00})[8], 1);
}

// Form B, read by status: the engine controller answers from address 0x10 and puts the
// second code's status byte between its two halves (data indices 10, 11, 12); any other
// module keeps four-byte records.
TEST(Box, FormBPlacesTheEngineControllersSecondCodeAroundItsStatus) {
    Box box(vehicleScenario("diesel-van"));  // PCM codes P0087 P0401 P2263
    const Bytes pcm = send(box, {31, 4, 0x18, 0x00, 0xFF, 0x00});
    ASSERT_EQ(pcm.size(), 2u + 17u);
    // Wire position = data index + 1 (the echo comes first).
    EXPECT_EQ(pcm[3 + 1], 0x10);
    EXPECT_EQ((Bytes{pcm[7], pcm[8]}), (Bytes{0x00, 0x87}));
    EXPECT_EQ((Bytes{pcm[11], pcm[12], pcm[13]}), (Bytes{0x04, 0xE0, 0x01}));
    EXPECT_EQ((Bytes{pcm[15], pcm[16]}), (Bytes{0x22, 0x63}));

    send(box, {0x1E, 0x07, 0xE1}, 1000);  // the TCM (code P0715)
    const Bytes tcm = send(box, {31, 4, 0x18, 0x00, 0xFF, 0x00}, 2000);
    ASSERT_EQ(tcm.size(), 2u + 9u);
    EXPECT_EQ(tcm[3 + 1], 0x18);
    EXPECT_EQ((Bytes{tcm[7], tcm[8], tcm[9]}), (Bytes{0x07, 0x15, 0xE0}));
}

TEST(Box, ClearedCodesStayCleared) {
    Box box(vehicleScenario("petrol-car"));
    EXPECT_EQ(send(box, {21, 1, 0x14})[5], 0x54);
    for (std::uint64_t t = 1000; t < 60000; t += 5000) {
        const Bytes reply = send(box, {21, 1, 0x13}, t);
        EXPECT_EQ(reply[5], 0x53);
        EXPECT_TRUE(std::all_of(reply.begin() + 6, reply.end(), [](auto b) { return b == 0; }));
    }
    EXPECT_TRUE(box.storedCodes(kPcm).empty());
    EXPECT_FALSE(box.storedCodes(kAbs).empty());
}

TEST(Box, FaultSpoilsExactlyItsCount) {
    Box box(vehicleScenario("petrol-car"));
    box.addFault(Fault::cutShort(2, 2));
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}).size(), 4u);
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}).size(), 4u);
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}).size(), 12u);
    EXPECT_TRUE(box.faults().empty());
}

TEST(Box, FaultsWaitForARequestTheBoxAnswers) {
    Scenario car = vehicleScenario("petrol-car");
    car.modules[kAbs].protocol = 0;
    Box box(car);
    box.addFault(Fault::countZero(1));
    send(box, {42});  // silent: absent module
    send(box, {1});   // unframed: count-zero does not fit
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}), (Bytes{22, 0}));
}

TEST(Box, SilentModuleFaultSilencesOnlyThatModule) {
    Box box(vehicleScenario("petrol-car"));
    box.addFault(Fault::silentModule(kCluster));
    EXPECT_TRUE(send(box, {44}).empty());
    EXPECT_EQ(send(box, {43}), Bytes{1});
    EXPECT_EQ(send(box, {22, 0x00, 0x0C}).size(), 12u);
}

TEST(Box, LineClosedEndsAllAnswers) {
    Box box(vehicleScenario("petrol-car"));
    box.addFault(Fault::lineClosed());
    const BoxOutput out = box.receive(1, 0);
    EXPECT_TRUE(out.closeLine);
    EXPECT_TRUE(box.lineClosed());
    EXPECT_TRUE(send(box, {1}).empty());
}

TEST(Box, InjectorMemoryOutsideTheCodeAreaIsRefused) {
    Box box(vehicleScenario("diesel-van"));
    const std::uint32_t end = box.scenario().injectorEndAddress;
    const Bytes outside =
        send(box, {21, 4, 0x23, static_cast<std::uint8_t>(end >> 16),
                   static_cast<std::uint8_t>(end >> 8), static_cast<std::uint8_t>(end)});
    EXPECT_EQ(outside[5], 0x7F);
    const Bytes download = send(box, {21, 7, 0x34, 0, 0, 4, 0, 0, 0});
    EXPECT_EQ(download[5], 0x7F);
}

// The injector unit's requests are counted from the box's start; a fault aimed at the n-th
// spoils that one and no other, whatever the service.
TEST(Box, InjectorRequestFaultSpoilsOnlyTheNthUnitRequest) {
    Box box(vehicleScenario("diesel-van"));
    box.addFault(Fault::silentModule(kIcu).onInjectorRequest(3));
    const Bytes start{21, 1, 0x10};
    EXPECT_FALSE(send(box, start).empty());             // 1
    EXPECT_EQ(send(box, {1}), Bytes{1});                // not the unit's: not counted
    EXPECT_FALSE(send(box, {22, 0xC9, 0x05}).empty());  // 2
    EXPECT_TRUE(send(box, start).empty());              // 3: spoilt
    EXPECT_FALSE(send(box, start).empty());             // 4
    EXPECT_EQ(box.injectorRequests(), 4);
    EXPECT_TRUE(box.faults().empty());
}

TEST(Box, AStoreWhoseReplyIsLostIsStillStored) {
    Box box(vehicleScenario("diesel-van"));
    const std::uint32_t end = box.scenario().injectorEndAddress;
    const auto a = [&](std::uint32_t v) { return static_cast<std::uint8_t>(v); };
    const std::uint32_t first = end - 32;  // injector 1's first four bytes
    send(box, {21, 7, 0x34, 0, 0, 4, a(first >> 16), a(first >> 8), a(first)});
    send(box, {21, 7, 0x36, 0xDE, 0xAD, 0xBE, 0xEF, 0, 0});
    box.addFault(Fault::silentModule(kIcu).onInjectorRequest(3));
    EXPECT_TRUE(send(box, {21, 2, 0x37, 0}).empty());
    EXPECT_EQ(box.injectorCode(1)[0], 0xDE);
    EXPECT_EQ(box.injectorCode(1)[3], 0xEF);
}

// The unit says yes to the store of the first of two writes, yet keeps what it held; the
// second store, past the fault's count, is kept.
TEST(Box, KeepsOldCodeConfirmsAStoreWithoutStoring) {
    Box box(vehicleScenario("diesel-van"));
    const std::uint32_t end = box.scenario().injectorEndAddress;
    const auto a = [&](std::uint32_t v) { return static_cast<std::uint8_t>(v); };
    const std::uint32_t first = end - 32;  // injector 1's first four bytes
    const auto held = box.injectorCode(1);
    std::string error;
    const auto fault = parseFaultSpec("keeps-old-code,count=1", error);
    ASSERT_TRUE(fault) << error;
    box.addFault(*fault);
    const auto store = [&](std::uint8_t value) {
        send(box, {21, 7, 0x34, 0, 0, 4, a(first >> 16), a(first >> 8), a(first)});
        send(box, {21, 7, 0x36, value, value, value, value, 0, 0});
        return send(box, {21, 2, 0x37, 0});
    };
    EXPECT_EQ(store(0xAA)[5], 0x77);  // confirmed
    EXPECT_EQ(box.injectorCode(1), held);
    EXPECT_EQ(store(0xBB)[5], 0x77);
    EXPECT_EQ(box.injectorCode(1)[0], 0xBB);
    EXPECT_TRUE(box.faults().empty());
}

TEST(InMemoryPort, SilenceCostsExactlyTheTimeOutOnVirtualTime) {
    tvx::link::VirtualClock clock;
    Box box(vehicleScenario("petrol-car"));
    InMemoryPort port(box, clock);
    port.openIndex(0);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 3000), tvx::link::ReadStatus::TimedOut);
    EXPECT_EQ(clock.nowMs(), 3000u);
    port.writeByte(1);
    EXPECT_EQ(port.readByte(byte, 50), tvx::link::ReadStatus::Byte);
    EXPECT_EQ(byte, 1);
    EXPECT_EQ(clock.nowMs(), 3000u);
}

// The answer filter changes what travels, late answers included, and never sees silence.
TEST(InMemoryPort, AnAnswerFilterChangesEachAnswerBeforeItTravels) {
    tvx::link::VirtualClock clock;
    Box box(vehicleScenario("petrol-car"));
    InMemoryPort port(box, clock);
    int answers = 0;
    port.setAnswerFilter([&answers](BoxOutput& out) {
        ++answers;
        out.bytes.push_back(0x5A);
        out.delayMs += 40;
    });
    port.openIndex(0);
    port.writeByte(0x99);  // a stray byte: the box stays silent
    EXPECT_EQ(answers, 0);
    port.writeByte(1);
    EXPECT_EQ(answers, 1);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 30), tvx::link::ReadStatus::TimedOut);
    EXPECT_EQ(port.readByte(byte, 30), tvx::link::ReadStatus::Byte);
    EXPECT_EQ(byte, 1);
    EXPECT_EQ(port.readByte(byte, 0), tvx::link::ReadStatus::Byte);
    EXPECT_EQ(byte, 0x5A);
}

TEST(InMemoryPort, PacingSpendsWireTimePerByte) {
    tvx::link::VirtualClock clock;
    Box box(vehicleScenario("petrol-car"));
    InMemoryPort port(box, clock);
    port.setPacing(true);
    port.openIndex(0);
    for (const std::uint8_t byte : {22, 0x00, 0x0C}) {
        port.writeByte(byte);
    }
    std::uint8_t byte = 0;
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(port.readByte(byte, 50), tvx::link::ReadStatus::Byte);
    }
    EXPECT_EQ(clock.nowMs(), 13u);  // 12 bytes of 1.042 ms
}

TEST(InMemoryPort, ClosedPortAndClosedLineReportErrors) {
    tvx::link::VirtualClock clock;
    Box box(vehicleScenario("petrol-car"));
    InMemoryPort port(box, clock);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 10), tvx::link::ReadStatus::Error);
    port.openIndex(0);
    box.addFault(Fault::lineClosed());
    port.writeByte(1);
    EXPECT_EQ(port.readByte(byte, 10), tvx::link::ReadStatus::Error);
    EXPECT_FALSE(port.writeByte(1));
}

}  // namespace
