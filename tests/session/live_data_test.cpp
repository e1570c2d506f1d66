#include <gtest/gtest.h>

#include "session/live_pages.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using testing::parameterReads;

struct PageCase {
    const char* name;
    bool diesel;
    int model;
    Module module;
    State pollState;
    // Parameter identifiers requested in order, and the gauges written in order.
    std::vector<std::uint16_t> identifiers;
    std::vector<std::string> gauges;
    std::vector<std::string> shown;
    std::vector<std::string> hidden;
};

std::vector<std::string> gaugeNames(const RecordingView& view) {
    std::vector<std::string> names;
    for (const auto& [gauge, text] : view.gaugeLog) {
        names.push_back(gauge);
    }
    return names;
}

void enterPage(Bench& bench, const PageCase& page) {
    bench.startToModuleMenu(page.diesel, page.model);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    bench.session.selectModule(page.module);
    bench.session.live();
    bench.steps(page.module == Module::Cluster ? 1 : 2);  // dispatch by model, then layout
    ASSERT_EQ(bench.session.state(), page.pollState);
}

class LivePageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(LivePageTest, FillsExactlyItsGaugesInOrder) {
    const PageCase& page = GetParam();
    Bench bench(page.diesel ? "diesel-van" : "petrol-car");
    enterPage(bench, page);
    const std::string frame =
        page.module == Module::Cluster ? "Frame81" : (page.diesel ? "Frame71" : "Frame61");
    for (const char* other : {"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91",
                              "Frame101", "Frame111", "Frame131"}) {
        EXPECT_EQ(bench.view.panel(other, other != frame), other == frame) << other;
    }
    for (const auto& panel : page.shown) {
        EXPECT_TRUE(bench.view.panel(panel)) << panel;
    }
    for (const auto& panel : page.hidden) {
        EXPECT_FALSE(bench.view.panel(panel, true)) << panel;
    }

    for (int tick = 0; tick < 2; ++tick) {
        const std::size_t before = bench.box.requests().size();
        bench.view.clearLogs();
        bench.session.step();
        EXPECT_EQ(bench.session.state(), page.pollState);
        EXPECT_EQ(parameterReads(bench.requestsSince(before)), page.identifiers);
        EXPECT_EQ(gaugeNames(bench.view), page.gauges);
    }
}

TEST_P(LivePageTest, DemoModeSendsNothingAndWaitsAQuarterSecondPerTick) {
    const PageCase& page = GetParam();
    Bench bench(page.diesel ? "diesel-van" : "petrol-car");
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(page.diesel, page.model);
    bench.session.demo();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    bench.session.selectModule(page.module);
    bench.session.live();
    bench.steps(page.module == Module::Cluster ? 1 : 2);
    const std::size_t before = bench.box.requests().size();
    const auto start = bench.clock.nowMs();
    bench.view.clearLogs();
    bench.session.step();
    const unsigned perValue = page.pollState == State::DieselCmaxPoll ? 20 : 0;
    EXPECT_EQ(bench.clock.nowMs() - start, 250 + perValue * page.identifiers.size());
    EXPECT_EQ(bench.box.requests().size(), before);
    EXPECT_EQ(gaugeNames(bench.view), page.gauges);
}

const std::vector<std::uint16_t> kGroupR = {0x1165, 0x000E, 0x1633, 0x1154, 0x1158};
const std::vector<std::uint16_t> kGroupG = {0x0200, 0x000D, 0x1139, 0x1123, 0x1172, 0x1173, 0x1174};
const std::vector<std::string> kGaugesR = {"rpmd", "advd", "mapd", "atpsd", "lmdd"};
const std::vector<std::string> kGaugesG = {"dtcd", "vssd",    "ectd",     "iatd",
                                           "Batd", "hegoupd", "hegodownd"};

template <typename T>
std::vector<T> join(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LivePageTest,
    ::testing::Values(
        PageCase{"Ka",
                 false,
                 0,
                 Module::Pcm,
                 State::PetrolKaPoll,
                 join<std::uint16_t>({kGroupR, kGroupG}),
                 join<std::string>({kGaugesR, kGaugesG}),
                 {"rpmp", "advp", "hdp", "hup"},
                 {"vip", "vop", "barop", "loadp"}},
        PageCase{"Fiesta",
                 false,
                 1,
                 Module::Pcm,
                 State::PetrolCommonPoll,
                 join<std::uint16_t>({kGroupR, kGroupG, {0x1127, 0x000D}}),
                 join<std::string>({kGaugesR, kGaugesG, {"Barod", "vssd"}}),
                 {"advp", "hdp", "barop"},
                 {"vip", "vop", "loadp"}},
        PageCase{"Focus",
                 false,
                 5,
                 Module::Pcm,
                 State::PetrolFocusPoll,
                 {0x000C, 0x000E, 0x1633, 0x1154, 0x1158, 0x0200, 0x0004, 0x1139, 0x1123, 0x1172,
                  0x1173, 0x1127, 0x11C1},
                 {"rpmd", "advd", "mapd", "atpsd", "lmdd", "dtcd", "loadd", "ectd", "iatd", "Batd",
                  "hegoupd", "Barod", "vssd"},
                 {"advp", "barop", "loadp"},
                 {"hdp", "vip", "vop"}},
        PageCase{"FocusVct",
                 false,
                 9,
                 Module::Pcm,
                 State::PetrolVctPoll,
                 join<std::uint16_t>({kGroupR, {0x1127}, kGroupG, {0x16CD, 0x091C}}),
                 join<std::string>({kGaugesR, {"Barod"}, kGaugesG, {"vvtind", "vvtoutd"}}),
                 {"advp", "hdp", "vip", "vop", "barop"},
                 {"loadp"}},
        PageCase{"FocusGhia",
                 false,
                 10,
                 Module::Pcm,
                 State::PetrolGhiaPoll,
                 {0x1165, 0x1440, 0x0011, 0x1158, 0x0200, 0x0005, 0x000F, 0x1172, 0x1173, 0x1442,
                  0x000D},
                 {"rpmd", "mapd", "atpsd", "lmdd", "dtcd", "ectd", "iatd", "Batd", "hegoupd",
                  "Barod", "vssd"},
                 {"barop", "rpmp", "mapp"},
                 {"advp", "hdp", "vip", "vop", "loadp"}},
        PageCase{
            "Mondeo",
            true,
            7,
            Module::Pcm,
            State::DieselFullPoll,
            {0x000C, 0x0023, 0x000B, 0x1172, 0x0914, 0x491E, 0x0916, 0x0005, 0x000F, 0x168E, 0x0969,
             0x0200, 0x1101, 0x096A, 0x113C, 0x1412, 0x1442, 0x1505},
            {"rpmd", "frpd", "mapd", "batd", "app1d",  "app2d", "app3d", "chdd", "iatd",  "ftsd",
             "betd", "dtcd", "cppd", "bppd", "klimad", "egrpd", "egrdd", "mfdd", "Barod", "VSSd"},
            {"mapp", "app3p", "bppp", "cppp", "klimap", "betp", "egrpp", "mfdp"},
            {}},
        PageCase{"Fusion",
                 true,
                 0,
                 Module::Pcm,
                 State::DieselSmallPoll,
                 {0x1165, 0x1172, 0x168C, 0x1505, 0x0005, 0x168E, 0x000F, 0x1340, 0x491D, 0x0915,
                  0x0200, 0x113C, 0x1442, 0x0010},
                 {"rpmd", "batd", "frpd", "VSSd", "chdd", "ftsd", "iatd", "appd", "app1d", "app2d",
                  "dtcd", "egrdd", "Barod", "mafd"},
                 {"rpmp", "frpp", "app1p", "app2p"},
                 {"mapp", "egrpp", "mfdp", "app3p", "bppp", "cppp"}},
        PageCase{"FocusCmax",
                 true,
                 2,
                 Module::Pcm,
                 State::DieselCmaxPoll,
                 {0x1165, 0x0023, 0x0010, 0x000B, 0x113C, 0x096C, 0x1412, 0x0200, 0x0005, 0x168E,
                  0x000F, 0x1172, 0x1442, 0x11C1, 0x1340},
                 {"rpmd", "frpd", "mafd", "mapd", "egrdd", "egrpd", "mfdd", "dtcd", "chdd", "ftsd",
                  "iatd", "batd", "Barod", "VSSd", "appd"},
                 {"rpmp", "frpp", "mapp", "mafp", "mfdp", "egrpp", "egrdp", "appp"},
                 {"app1p", "app2p", "app3p", "bppp", "cppp", "klimap", "loadp", "betp"}},
        PageCase{
            "Focus16",
            true,
            3,
            Module::Pcm,
            State::DieselFocusPoll,
            {0x1165, 0x0023, 0x0004, 0x0010, 0x491D, 0x1442, 0x1400, 0x0200, 0x1505, 0x0005, 0x168E,
             0x000F, 0x1172, 0x0049},
            {"rpmd", "frpd", "loadd", "mafd", "app1d", "Barod", "torkd", "dtcd", "VSSd", "chdd",
             "ftsd", "iatd", "batd", "appd"},
            {"loadp", "app1p", "torkp", "appp"},
            {"mapp", "egrpp", "egrdp", "mfdp", "app2p", "app3p", "bppp", "cppp", "klimap", "betp"}},
        PageCase{"PetrolCluster",
                 false,
                 2,
                 Module::Cluster,
                 State::ClusterPoll,
                 {0x6182, 0x6185, 0x0200},
                 {"kmd", "flid", "dtcd"},
                 {},
                 {}},
        PageCase{"DieselCluster",
                 true,
                 1,
                 Module::Cluster,
                 State::ClusterPoll,
                 {0x6180, 0x6185, 0x0200},
                 {"kmd", "flid", "dtcd"},
                 {},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LiveData, AFailedReadLeavesItsGaugeUnchangedAndPollingGoesOn) {
    Bench bench;
    const PageCase page{"Ka", false, 0, Module::Pcm, State::PetrolKaPoll, {}, {}, {}, {}};
    enterPage(bench, page);
    bench.session.step();
    const std::string rpm = bench.view.gauge("rpmd");
    ASSERT_FALSE(rpm.empty());
    bench.box.addFault(testing::parameterFault(sim::FaultKind::WrongEcho, 0x1165));
    bench.box.addFault(testing::parameterFault(sim::FaultKind::CutShort, 0x1174, 2));
    bench.view.clearLogs();
    bench.clock.advance(60000);  // the engine has moved on
    bench.session.step();
    EXPECT_EQ(bench.session.state(), State::PetrolKaPoll);
    EXPECT_EQ(bench.view.gauge("rpmd"), rpm);
    const auto names = gaugeNames(bench.view);
    EXPECT_EQ(names, (std::vector<std::string>{"advd", "mapd", "atpsd", "lmdd", "dtcd", "vssd",
                                               "ectd", "iatd", "Batd", "hegoupd"}));
}

TEST(LiveData, SwitchStatesShowClutchBrakeAndAirConditioning) {
    EXPECT_EQ(clutchText(8), "OFF");
    EXPECT_EQ(clutchText(0), " ON");
    EXPECT_EQ(brakeText(2), " ON");
    EXPECT_EQ(brakeText(0xFD), "OFF");
    EXPECT_EQ(aircoText(1), " ON");
    EXPECT_EQ(aircoText(0xFE), "OFF");
}

TEST(LiveData, EveryModelHasAPageAndOthersHaveNone) {
    const State petrol[] = {
        State::PetrolKaEntry,     State::PetrolCommonEntry, State::PetrolCommonEntry,
        State::PetrolCommonEntry, State::PetrolCommonEntry, State::PetrolFocusEntry,
        State::PetrolCommonEntry, State::PetrolCommonEntry, State::PetrolVctEntry,
        State::PetrolVctEntry,    State::PetrolGhiaEntry};
    const State diesel[] = {State::DieselSmallEntry, State::DieselSmallEntry,
                            State::DieselCmaxEntry,  State::DieselFocusEntry,
                            State::DieselFullEntry,  State::DieselFullEntry,
                            State::DieselFullEntry,  State::DieselFullEntry};
    for (int i = 0; i < 11; ++i) {
        ASSERT_NE(livePageForModel(false, i), nullptr);
        EXPECT_EQ(livePageForModel(false, i)->entryState, petrol[i]) << i;
    }
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(livePageForModel(true, i), nullptr);
        EXPECT_EQ(livePageForModel(true, i)->entryState, diesel[i]) << i;
    }
    EXPECT_EQ(livePageForModel(true, 8), nullptr);
    EXPECT_EQ(livePageForModel(false, -1), nullptr);
    EXPECT_EQ(clusterPage().pollState, State::ClusterPoll);
}

TEST(LiveData, BackFromAPollingPageReturnsToThePlugPrompt) {
    Bench bench;
    enterPage(bench, PageCase{"Ka", false, 0, Module::Pcm, State::PetrolKaPoll, {}, {}, {}, {}});
    bench.session.back();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::PlugTheBoxWait);
    EXPECT_FALSE(bench.view.panel("Frame61", true));
    EXPECT_FALSE(bench.view.visible("pcm", true));
}

TEST(LiveData, LiveForTheOtherModulesShowsNoPage) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    bench.session.selectModule(Module::Abs);
    bench.session.live();
    EXPECT_EQ(bench.session.state(), State::LiveAbsPetrol);
    EXPECT_TRUE(bench.session.isWaiting());
}

}  // namespace
}  // namespace tvx::session
