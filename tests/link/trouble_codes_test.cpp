#include <gtest/gtest.h>

#include "link/trouble_code_form.h"
#include "scripted_port.h"
#include "sim_fixture.h"

namespace {

using tvx::link::TroubleCodeForm;
using tvx::test::SimulatedVehicle;

struct FormCase {
    int module;
    std::array<std::uint8_t, 6> protocols;
    std::optional<TroubleCodeForm> form;
};

class FormChoiceTest : public testing::TestWithParam<FormCase> {};

TEST_P(FormChoiceTest, FormFollowsModuleAndProtocol) {
    const FormCase& c = GetParam();
    EXPECT_EQ(tvx::link::troubleCodeForm(c.module, c.protocols), c.form);
}

using P = std::array<std::uint8_t, 6>;
constexpr auto A = TroubleCodeForm::A;
constexpr auto B = TroubleCodeForm::B;
constexpr auto C = TroubleCodeForm::C;

INSTANTIATE_TEST_SUITE_P(
    Rules, FormChoiceTest,
    testing::Values(FormCase{1, P{0, 1, 0, 0, 0, 0}, A}, FormCase{1, P{0, 2, 0, 0, 0, 0}, B},
                    // module 2 goes by the protocol of module 1
                    FormCase{2, P{0, 1, 2, 0, 0, 0}, A}, FormCase{2, P{0, 2, 1, 0, 0, 0}, B},
                    FormCase{3, P{0, 2, 2, 1, 0, 0}, C}, FormCase{3, P{0, 1, 1, 2, 0, 0}, B},
                    FormCase{4, P{0, 2, 2, 2, 1, 0}, C}, FormCase{4, P{0, 1, 1, 1, 2, 0}, B},
                    FormCase{5, P{0, 2, 2, 2, 2, 1}, A}, FormCase{5, P{0, 1, 1, 1, 1, 2}, B},
                    FormCase{5, P{0, 1, 1, 1, 1, 3}, C},
                    FormCase{1, P{0, 3, 0, 0, 0, 0}, std::nullopt},
                    FormCase{3, P{0, 1, 1, 3, 0, 0}, std::nullopt},
                    FormCase{1, P{0, 0, 1, 1, 1, 1}, std::nullopt}));

struct FrameCase {
    const char* vehicle;
    int module;
    std::vector<std::uint8_t> opening;
    std::vector<std::uint8_t> readFrame;
    std::vector<std::uint8_t> clearFrame;
};

class TroubleCodeFrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(TroubleCodeFrameTest, ReadThenClearThenReadAgain) {
    const FrameCase& c = GetParam();
    SimulatedVehicle car(c.vehicle);
    car.link.PurgePort();
    for (const auto byte : c.opening) {
        car.link.SendByte(byte);
    }
    ASSERT_EQ(car.link.ReceiveByte(100), c.opening.back());
    const auto stored = car.box.storedCodes(c.module);
    ASSERT_FALSE(stored.empty());

    car.requests.ReadTroubleCodes(c.module);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.box.requests().back(), c.readFrame);
    EXPECT_EQ(car.requests.TroubleCodes[1], stored[0]);

    car.requests.ClearTroubleCodes(c.module);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.box.requests().back(), c.clearFrame);

    car.requests.ReadTroubleCodes(c.module);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.TroubleCodes, (std::array<std::uint16_t, 4>{}));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TroubleCodeFrameTest,
    testing::Values(
        FrameCase{"petrol-car", 1, {0x14, 0x10}, {21, 1, 0x13}, {21, 1, 0x14}},
        FrameCase{"petrol-car", 3, {0x0A, 0x28}, {11, 1, 0x13}, {11, 1, 0x14}},
        FrameCase{"petrol-car", 5, {0x14, 0x60}, {21, 1, 0x13}, {21, 1, 0x14}},
        FrameCase{
            "diesel-van", 1, {0x1E, 0x07, 0xE0}, {31, 4, 0x18, 0, 0xFF, 0}, {31, 3, 0x14, 0xFF, 0}},
        FrameCase{"diesel-van",
                  4,
                  {0x1E, 0x07, 0x37},
                  {31, 4, 0x18, 0, 0xFF, 0},
                  {31, 3, 0x14, 0xFF, 0}}));

TEST(TroubleCodes, FormBFromTheEngineControllerCarriesThreeCodes) {
    SimulatedVehicle van("diesel-van");
    van.requests.ReadTroubleCodes(1);
    EXPECT_EQ(van.link.ReplyFailed, 0);
    EXPECT_EQ(van.requests.TroubleCodes, (std::array<std::uint16_t, 4>{0, 0x0087, 0x0401, 0x2263}));
}

// The engine controller's form-B reply carries its codes at 6·7, 10·12 and 14·15; the byte
// at 11 sits between the halves of the second code and belongs to none of them.
TEST(TroubleCodes, FormBSecondCodeSkipsTheByteBetweenItsHalves) {
    tvx::test::ScriptedLink scripted(2);
    auto& [clock, port, link, requests] = scripted;
    // Data bytes 1..15 follow echo and count: header (3), 0x58, count, then 6..15.
    port.reply(
        {31, 15, 0x80, 0xF1, 0x10, 0x58, 3, 0x01, 0x71, 0xE0, 0, 0x03, 0xE0, 0x00, 0, 0x04, 0x20});
    requests.ReadTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_EQ(requests.TroubleCodes, (std::array<std::uint16_t, 4>{0, 0x0171, 0x0300, 0x0420}));
}

TEST(TroubleCodes, FormAReadsAllThree) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadTroubleCodes(1);
    EXPECT_EQ(car.requests.TroubleCodes, (std::array<std::uint16_t, 4>{0, 0x0171, 0x0300, 0x0420}));
}

TEST(TroubleCodes, FormBFromAnotherModuleTakesOneCode) {
    tvx::test::ScriptedLink scripted(2);
    auto& [clock, port, link, requests] = scripted;
    port.reply(
        {31, 15, 0x80, 0xF1, 0x28, 0x58, 3, 0x41, 0x23, 0xE0, 0, 0x42, 0x34, 0xE0, 0, 0x43, 0x45});
    requests.ReadTroubleCodes(3);
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_EQ(requests.TroubleCodes, (std::array<std::uint16_t, 4>{0, 0x4123, 0, 0}));
}

TEST(TroubleCodes, FormBRefusalIsAFailureNotACode) {
    tvx::test::ScriptedLink scripted(2);
    auto& [clock, port, link, requests] = scripted;
    port.reply({31, 6, 0x80, 0xF1, 0x10, 0x7F, 0x18, 0x22});
    requests.ReadTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 1);
    EXPECT_EQ(requests.TroubleCodes, (std::array<std::uint16_t, 4>{}));
}

TEST(TroubleCodes, WrongEchoEmptiesTheListAndFails) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadTroubleCodes(1);
    ASSERT_NE(car.requests.TroubleCodes[1], 0);
    car.box.addFault(tvx::sim::Fault::wrongEcho(1));
    car.requests.ReadTroubleCodes(1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.requests.TroubleCodes, (std::array<std::uint16_t, 4>{}));
}

TEST(TroubleCodes, CutReplyFailsWithoutStaleCodes) {
    SimulatedVehicle van("diesel-van");
    van.requests.ReadTroubleCodes(1);
    van.box.addFault(tvx::sim::Fault::cutShort(5));
    van.requests.ReadTroubleCodes(1);
    EXPECT_EQ(van.link.ReplyFailed, 1);
    EXPECT_EQ(van.requests.TroubleCodes, (std::array<std::uint16_t, 4>{}));
}

TEST(TroubleCodes, RefusedClearFails) {
    tvx::test::ScriptedLink scripted(1);
    auto& [clock, port, link, requests] = scripted;
    port.reply({21, 6, 0x80, 0xF1, 0x10, 0x7F, 0x14, 0x22});
    requests.ClearTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 1);
}

struct LetterCase {
    std::uint16_t code;
    const char* text;
};

class FormatTroubleCodeTest : public testing::TestWithParam<LetterCase> {};

TEST_P(FormatTroubleCodeTest, TopBitsGiveTheLetter) {
    tvx::link::VirtualClock clock;
    tvx::test::ScriptedPort port(clock);
    tvx::link::Link link(port, clock);
    tvx::link::Requests requests(link);
    EXPECT_EQ(requests.FormatTroubleCode(GetParam().code), GetParam().text);
    EXPECT_EQ(requests.CodeText, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Letters, FormatTroubleCodeTest,
                         testing::Values(LetterCase{0x0000, "P0000"}, LetterCase{0x0171, "P0171"},
                                         LetterCase{0x4ABC, "C0ABC"}, LetterCase{0x7FFF, "C3FFF"},
                                         LetterCase{0x9001, "B1001"}, LetterCase{0xC155, "U0155"},
                                         LetterCase{0xFFFF, "U3FFF"}));

}  // namespace
