#include "plain/bilingual.h"

#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string_view>

#include "link/port_info.h"

namespace tvx {
namespace {

enum class Door { Front, Back, Side };

constexpr Bilingual<Door> kDoors[] = {
    {Door::Front, "front door", "ön kapı"},
    {Door::Back, "back door", "arka kapı"},
};

struct LookupCase {
    Door door;
    bool turkish;
    std::string_view text;
};

class BilingualLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(BilingualLookup, GivesTheRowsTextInTheLanguageOrNothing) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(std::string_view(bilingualText(kDoors, c.door, c.turkish)), c.text);
}

INSTANTIATE_TEST_SUITE_P(Doors, BilingualLookup,
                         testing::Values(LookupCase{Door::Front, false, "front door"},
                                         LookupCase{Door::Front, true, "ön kapı"},
                                         LookupCase{Door::Back, false, "back door"},
                                         LookupCase{Door::Back, true, "arka kapı"},
                                         LookupCase{Door::Side, false, ""},
                                         LookupCase{Door::Side, true, ""}));

TEST(FindRow, FindsTheKeyInArraysSpansAndStdArrays) {
    EXPECT_EQ(findRow(kDoors, Door::Back), &kDoors[1]);
    EXPECT_EQ(findRow(std::span<const Bilingual<Door>>(kDoors), Door::Front), &kDoors[0]);
    EXPECT_EQ(findRow(kDoors, Door::Side), nullptr);
    constexpr std::array<Bilingual<int>, 2> kNumbers{{{7, "seven", "yedi"}, {8, "eight", "sekiz"}}};
    static_assert(findRow(kNumbers, 8) == &kNumbers[1]);
    static_assert(findRow(kNumbers, 9) == nullptr);
}

TEST(BilingualTables, APortsKindIsNamedInTheLanguage) {
    link::PortInfo port;
    port.kind = link::PortKind::NotATerminal;
    EXPECT_EQ(link::describePort(port, '1'), "not a serial port");
    EXPECT_EQ(link::describePort(port, '2'), "seri port değil");
}

}  // namespace
}  // namespace tvx
