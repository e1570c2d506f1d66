#include <gtest/gtest.h>

#include "link/decoder_table.h"
#include "link/requests.h"
#include "scripted_port.h"

namespace {

using tvx::link::Decoder;

// The link with a scripted box answering one parameter read with the given A and B.
struct ScriptedRead {
    ScriptedRead() : port(clock), link(port, clock), requests(link) {
        link.OpenPort(0);
        link.ModuleProtocol = {0, 1, 1, 1, 1, 1};
    }
    void answer(std::uint16_t identifier, std::uint8_t a, std::uint8_t b) {
        port.reply({22, 10, 0x80, 0xF1, 0x10, 0x62, static_cast<std::uint8_t>(identifier >> 8),
                    static_cast<std::uint8_t>(identifier & 0xFF), a, b, 0, 0});
    }
    tvx::link::VirtualClock clock;
    tvx::test::ScriptedPort port;
    tvx::link::Link link;
    tvx::link::Requests requests;
};

struct DecoderCase {
    Decoder decoder;
    std::uint8_t a;
    std::uint8_t b;
    const char* text;
};

class DecoderBoundaryTest : public testing::TestWithParam<DecoderCase> {};

TEST_P(DecoderBoundaryTest, ReplyBytesBecomeGaugeText) {
    const DecoderCase& c = GetParam();
    ScriptedRead read;
    read.answer(tvx::link::decoderRow(c.decoder).identifier, c.a, c.b);
    read.requests.Decode(c.decoder);
    EXPECT_EQ(read.link.ReplyFailed, 0);
    EXPECT_EQ(read.requests.ValueText, c.text);
}

INSTANTIATE_TEST_SUITE_P(Rows, DecoderBoundaryTest,
                         testing::Values(
                             // one-byte raw form
                             DecoderCase{Decoder::CoolantTemp2, 0, 0xAA, " -40"},
                             DecoderCase{Decoder::CoolantTemp2, 255, 0, " 215"},
                             DecoderCase{Decoder::PedalPosition1, 255, 0, " 100"},
                             DecoderCase{Decoder::PedalPosition2, 0, 0, "   0"},
                             DecoderCase{Decoder::IgnitionAdvance, 0, 0, " -64"},
                             DecoderCase{Decoder::IntakeAirTemp1, 255, 0, "255"},
                             DecoderCase{Decoder::Barometer1, 203, 0, " 101"},
                             DecoderCase{Decoder::FuelTemp1, 0, 0, " -40"},
                             DecoderCase{Decoder::BatteryVoltage, 224, 0, "14.00"},
                             DecoderCase{Decoder::Torque, 255, 0, "1020"},
                             DecoderCase{Decoder::ThrottlePosition2, 255, 0, "5.10"},
                             DecoderCase{Decoder::VehicleSpeed2, 255, 0, "  82"},
                             // two-byte raw form, high byte first
                             DecoderCase{Decoder::EngineSpeed1, 0x0C, 0x80, " 800"},
                             DecoderCase{Decoder::EngineSpeed2, 0xFF, 0xFF, "16384"},
                             DecoderCase{Decoder::VvtInlet, 0xFF, 0x00, " -16"},
                             DecoderCase{Decoder::VvtOutlet, 0, 0, "-4096"},
                             DecoderCase{Decoder::ThrottlePosition1, 0xFF, 0xFF, "511"},
                             DecoderCase{Decoder::ManifoldPressure1, 0x00, 0x7F, "  0"},
                             DecoderCase{Decoder::Lambda, 0x0C, 0x80, "1.000"},
                             // exact halves round up although 1608 / 3200 and 1005 / 1000
                             // are held a hair below them
                             DecoderCase{Decoder::Lambda, 0x06, 0x48, "0.503"},
                             DecoderCase{Decoder::PedalSensor1First, 0x03, 0xED, "1.01"},
                             DecoderCase{Decoder::FuelTemp2, 0x31, 0xEC,
                                         "   0"},  // 12780 / 142 = 90
                             DecoderCase{Decoder::FuelTemp2, 0, 0, " -50"},
                             DecoderCase{Decoder::AirMass, 0x01, 0x5E, " 3.5"},
                             DecoderCase{Decoder::Barometer2, 0x0F, 0xD4, "1013"}));

TEST(DecoderTable, RowsCoverEveryDecoderInOrder) {
    const auto rows = tvx::link::decoderTable();
    ASSERT_EQ(static_cast<int>(rows.size()), tvx::link::kDecoderCount);
    for (int i = 0; i < tvx::link::kDecoderCount; ++i) {
        EXPECT_EQ(static_cast<int>(rows[static_cast<std::size_t>(i)].decoder), i);
    }
}

TEST(Decoder, ConvertsEvenAfterAFailedReadButReportsTheFailure) {
    ScriptedRead read;
    read.answer(0x0005, 100, 0);
    read.requests.Decode(Decoder::CoolantTemp2);
    ASSERT_EQ(read.requests.ValueText, "  60");
    // No answer at all: the echo times out, the record is cleared, the failure is reported.
    read.requests.Decode(Decoder::CoolantTemp2);
    EXPECT_EQ(read.link.ReplyFailed, 1);
    EXPECT_EQ(read.requests.ValueText, " -40");
}

struct DemoCase {
    Decoder decoder;
    double low;
    double high;
};

class DemoDecoderTest : public testing::TestWithParam<DemoCase> {};

TEST_P(DemoDecoderTest, MadeUpValuesStayInRangeAndNothingIsSent) {
    const DemoCase& c = GetParam();
    ScriptedRead read;
    read.link.DemoMode = true;
    read.link.ReplyFailed = 1;
    for (int i = 0; i < 200; ++i) {
        read.requests.Decode(c.decoder);
        EXPECT_GE(read.requests.EngValue, c.low);
        EXPECT_LE(read.requests.EngValue, c.high);
    }
    EXPECT_TRUE(read.port.written().empty());
    EXPECT_EQ(read.link.ReadTimedOut, 0);
    EXPECT_EQ(read.link.ReplyFailed, 1);  // left as it was
}

INSTANTIATE_TEST_SUITE_P(Ranges, DemoDecoderTest,
                         testing::Values(DemoCase{Decoder::EngineSpeed1, 0, 3999.75},
                                         DemoCase{Decoder::CoolantTemp2, -40, 214},
                                         DemoCase{Decoder::PedalPosition1, 0, 99.7},
                                         DemoCase{Decoder::DtcCount, 0, 0}));

TEST(DemoDecoder, FixedValues) {
    ScriptedRead read;
    read.link.DemoMode = true;
    read.requests.Decode(Decoder::FuelLevel);
    EXPECT_EQ(read.requests.ValueText, "44");
    read.requests.Decode(Decoder::BatteryVoltage);
    EXPECT_EQ(read.requests.ValueText, "14.00");
    read.requests.ReadOdometer();
    EXPECT_EQ(read.requests.ValueText, "234567.0");
    EXPECT_TRUE(read.port.written().empty());
}

}  // namespace
