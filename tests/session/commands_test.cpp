#include <gtest/gtest.h>

#include <map>

#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using Bytes = std::vector<std::uint8_t>;

TEST(VehicleChoice, TheLastListClickedWinsAndClearsTheOtherList) {
    Bench bench;
    bench.startToVehicleLists();
    ASSERT_EQ(bench.session.state(), State::CarTypeWait);
    EXPECT_FALSE(bench.view.enabled("OK", true));
    bench.session.selectDiesel(3);
    EXPECT_TRUE(bench.session.DieselSelected);
    EXPECT_TRUE(bench.view.enabled("OK"));
    bench.session.selectPetrol(2);
    EXPECT_FALSE(bench.session.DieselSelected);
    EXPECT_EQ(bench.view.selection("DG1"), -1);
    EXPECT_EQ(bench.view.selection("PG1"), 2);
    bench.session.selectDiesel(5);
    EXPECT_TRUE(bench.session.DieselSelected);
    EXPECT_EQ(bench.view.selection("PG1"), -1);
    EXPECT_EQ(bench.session.dieselSelection(), 5);
}

TEST(VehicleChoice, BackAtThePlugPromptClearsBothLists) {
    Bench bench;
    bench.startToVehicleLists();
    bench.session.selectPetrol(4);
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::PlugTheBoxWait);
    EXPECT_EQ(bench.view.lines[0], " CONNECT KESTRON 7340 TO");
    bench.session.back();
    EXPECT_EQ(bench.view.selection("PG1"), -1);
    EXPECT_EQ(bench.view.selection("DG1"), -1);
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarTypeWait);
    EXPECT_FALSE(bench.view.enabled("OK", true));
}

// Both lists cleared means no vehicle: a demonstration that follows must not show the
// page (or offer the injector unit) of the vehicle chosen before.
TEST(VehicleChoice, BackAtThePlugPromptForgetsTheVehicle) {
    Bench bench;
    bench.startToVehicleLists();
    bench.session.selectDiesel(4);  // FOCUS 1.8 TDCI: diesel page, injector unit
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::PlugTheBoxWait);
    bench.session.back();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::CarTypeWait);
    bench.session.demo();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_FALSE(bench.view.enabled("ICU", true));
    bench.session.selectModule(Module::Pcm);
    bench.view.clearLogs();
    bench.session.live();
    bench.settle();
    EXPECT_FALSE(bench.view.panel("Frame71"));
    EXPECT_FALSE(bench.view.panel("Frame61"));
    EXPECT_TRUE(bench.view.gaugeLog.empty());
}

TEST(Connect, ASilentBoxAsksToTurnTheKeyOn) {
    Bench bench;
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 0);
    EXPECT_EQ(bench.session.state(), State::BoxSilentWait);
    EXPECT_EQ(bench.view.screen(),
              "   CONNECTION FAILED    | ********************** |  PLEASE TURN KEY ON    |" +
                  std::string(24, ' '));
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_TRUE(bench.view.enabled("BACK"));
    EXPECT_TRUE(bench.view.enabled("DEMO"));
    bench.session.back();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::PlugTheBoxWait);
}

TEST(Connect, ASilentCarShowsConnectionFailure) {
    Bench bench;
    for (int module = sim::kPcm; module <= sim::kCluster; ++module) {
        bench.box.addFault(testing::fault(sim::FaultKind::SilentModule, module));
    }
    bench.startToModuleMenu(false, 0, '2');
    EXPECT_EQ(bench.session.state(), State::CarSilentWait);
    EXPECT_EQ(bench.view.lines[0], "    BAGLANTI HATASI     ");
    EXPECT_EQ(bench.view.colour, kRed);
}

TEST(Connect, AModuleMenuOffersOnlyTheModulesThatAnswered) {
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    car.modules[sim::kTcm].protocol = 0;
    car.modules[sim::kAirBag].protocol = 0;
    Bench bench(car);
    bench.startToModuleMenu(false, 1);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_EQ(bench.view.lines[0], "     SELECT THE ECU     ");
    const std::map<std::string, bool> expected = {{"pcm", true}, {"tcm", false}, {"abs", true},
                                                  {"ab", false}, {"cp", true},   {"ICU", false}};
    for (const auto& [button, enabled] : expected) {
        EXPECT_EQ(bench.view.enabled(button, !enabled), enabled) << button;
        EXPECT_TRUE(bench.view.visible(button)) << button;
    }
    for (const char* function : {"live", "rdtc", "cdtc", "read_inj", "prog_inj"}) {
        EXPECT_TRUE(bench.view.visible(function)) << function;
        EXPECT_FALSE(bench.view.enabled(function, true)) << function;
    }
    EXPECT_TRUE(bench.view.panel("Frame131"));
    EXPECT_EQ(bench.view.buttonDown, "sahte");
}

struct IcuCase {
    bool diesel;
    int model;
    bool icu;
};

class IcuButton : public ::testing::TestWithParam<IcuCase> {};

TEST_P(IcuButton, IsEnabledOnlyForDieselModelsFourToSeven) {
    Bench bench(GetParam().diesel ? "diesel-van" : "petrol-car");
    bench.startToModuleMenu(GetParam().diesel, GetParam().model);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_EQ(bench.view.enabled("ICU"), GetParam().icu);
}

INSTANTIATE_TEST_SUITE_P(Models, IcuButton,
                         ::testing::Values(IcuCase{true, 0, false}, IcuCase{true, 3, false},
                                           IcuCase{true, 4, true}, IcuCase{true, 5, true},
                                           IcuCase{true, 6, true}, IcuCase{true, 7, true},
                                           IcuCase{false, 4, false}, IcuCase{false, 7, false}));

struct OpeningCase {
    const char* vehicle;
    Module module;
    int protocolOverride;  // 0: the vehicle's own
    Bytes bytes;
    const char* line;
    bool live, dtc, readInjector;
};

class ModuleButton : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(ModuleButton, SendsItsOpeningBytesAndOffersItsFunctions) {
    const OpeningCase& c = GetParam();
    sim::Scenario scenario = sim::vehicleScenario(c.vehicle);
    if (c.protocolOverride != 0) {
        scenario.modules[static_cast<int>(c.module) + 1].protocol =
            static_cast<std::uint8_t>(c.protocolOverride);
    }
    Bench bench(scenario);
    bench.startToModuleMenu(scenario.diesel, 4);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    const std::size_t before = bench.box.requests().size();
    bench.view.lines[3] = "fourth line stays";
    bench.session.selectModule(c.module);
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    const auto sent = bench.requestsSince(before);
    if (c.bytes.empty()) {
        EXPECT_TRUE(sent.empty());
    } else {
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0], c.bytes);
    }
    EXPECT_EQ(bench.view.lines[2], c.line);
    EXPECT_EQ(bench.view.lines[0], std::string(25, ' '));
    EXPECT_EQ(bench.view.lines[3], "fourth line stays");
    EXPECT_EQ(bench.view.enabled("live", !c.live), c.live);
    EXPECT_EQ(bench.view.enabled("rdtc", !c.dtc), c.dtc);
    EXPECT_EQ(bench.view.enabled("cdtc", !c.dtc), c.dtc);
    EXPECT_EQ(bench.view.enabled("read_inj", !c.readInjector), c.readInjector);
    EXPECT_FALSE(bench.view.enabled("prog_inj", true));
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleButton,
    ::testing::Values(
        OpeningCase{"petrol-car",
                    Module::Pcm,
                    0,
                    {0x14, 0x10},
                    "  PCM                    ",
                    true,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Pcm,
                    0,
                    {0x1E, 0x07, 0xE0},
                    "  PCM                    ",
                    true,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Tcm,
                    0,
                    {0x14, 0x10},
                    "  TCM                    ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Tcm,
                    0,
                    {0x1E, 0x07, 0xE1},
                    "  TCM                    ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Abs,
                    0,
                    {0x0A, 0x28},
                    "  ABS                    ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Abs,
                    0,
                    {0x1E, 0x07, 0x60},
                    "  ABS                    ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::AirBag,
                    0,
                    {0x0A, 0x58},
                    "  AIRBAG                 ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::AirBag,
                    0,
                    {0x1E, 0x07, 0x37},
                    "  AIRBAG                 ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Cluster,
                    0,
                    {0x14, 0x60},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Cluster,
                    0,
                    {0x1E, 0x07, 0x20},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Cluster,
                    3,
                    {0x0A, 0x60},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{
            "diesel-van", Module::Icu, 0, {}, "  ICU                    ", false, false, true}));

TEST(ModuleButtonFailure, NoReplyWithinTheTimeOutShowsConnectionFailure) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentModule, sim::kAbs));
    bench.session.selectModule(Module::Abs);
    EXPECT_EQ(bench.session.state(), State::CarSilent);
    bench.settle();
    EXPECT_EQ(bench.view.lines[0], "   CONNECTION FAILURE   ");
}

// A late byte of an earlier exchange waiting in the port is not the module's answer: the
// port is emptied before a module's opening bytes are sent.
class StaleByteBeforeOpening : public ::testing::TestWithParam<Module> {};

TEST_P(StaleByteBeforeOpening, IsNotTakenAsTheModulesAnswer) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.port.stale = {0x10};
    bench.session.selectModule(GetParam());
    EXPECT_EQ(bench.session.state(), State::CarSilent);
    EXPECT_TRUE(bench.port.stale.empty());
}

INSTANTIATE_TEST_SUITE_P(Modules, StaleByteBeforeOpening,
                         ::testing::Values(Module::Pcm, Module::Tcm, Module::Abs, Module::AirBag,
                                           Module::Cluster));

TEST(ModuleButtonFailure, DemoModeSendsNothing) {
    Bench bench;
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 0);
    ASSERT_EQ(bench.session.state(), State::BoxSilentWait);
    bench.session.demo();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::ModuleMenu);
    const std::size_t before = bench.box.requests().size();
    for (Module module : {Module::Pcm, Module::Tcm, Module::Abs, Module::AirBag, Module::Cluster}) {
        bench.session.selectModule(module);
        EXPECT_EQ(bench.session.state(), State::ModuleMenu);
        EXPECT_TRUE(bench.view.enabled("rdtc"));
    }
    EXPECT_EQ(bench.box.requests().size(), before);
}

TEST(Commands, WithNoModuleDownLiveAndTroubleCodesChangeNothing) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    const std::string screen = bench.view.screen();
    for (auto command : {&Session::live, &Session::readDtc, &Session::clearDtc}) {
        (bench.session.*command)();
        EXPECT_EQ(bench.session.state(), State::ModuleMenu);
        EXPECT_EQ(bench.view.screen(), screen);
    }
    bench.session.selectModule(Module::Icu);
    for (auto command : {&Session::live, &Session::readDtc, &Session::clearDtc}) {
        (bench.session.*command)();
        EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    }
}

struct Step {
    State before;
    State after;
};

class BackTable : public ::testing::TestWithParam<Step> {};

TEST_P(BackTable, StepsBack) {
    Bench bench;
    SessionTestAccess::putInState(bench.session, GetParam().before);
    bench.session.back();
    EXPECT_EQ(bench.session.state(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    States, BackTable,
    ::testing::Values(
        Step{State::SettingsScreen, State::Start}, Step{State::CarTypeWait, State::Start},
        Step{State::Program, State::Start}, Step{State::BoxSilentWait, State::PlugTheBox},
        Step{State::ModuleMenu, State::PlugTheBox}, Step{State::CarSilentWait, State::PlugTheBox},
        Step{State::ClusterPoll, State::PlugTheBox}, Step{State::PetrolKaPoll, State::PlugTheBox},
        Step{State::PetrolCommonPoll, State::PlugTheBox},
        Step{State::PetrolFocusPoll, State::PlugTheBox},
        Step{State::PetrolVctPoll, State::PlugTheBox},
        Step{State::PetrolGhiaPoll, State::PlugTheBox},
        Step{State::DieselFullPoll, State::PlugTheBox},
        Step{State::DieselSmallPoll, State::PlugTheBox},
        Step{State::DieselCmaxPoll, State::PlugTheBox},
        Step{State::DieselFocusPoll, State::PlugTheBox},
        Step{State::UnusedLive80, State::PlugTheBox}, Step{State::ReadInjectors, State::PlugTheBox},
        Step{State::PlugTheBoxWait, State::CarType}, Step{State::IgnitionOffWait, State::EcuScan},
        Step{State::IgnitionOnWait, State::EcuScan}, Step{State::EntryWait, State::EcuScan},
        Step{State::AreYouSureWait, State::EcuScan},
        Step{State::IgnitionOffAfterWait, State::EcuScan},
        Step{State::IgnitionOnAfterWait, State::EcuScan}));

class OkTable : public ::testing::TestWithParam<Step> {};

TEST_P(OkTable, MovesOn) {
    Bench bench;
    SessionTestAccess::putInState(bench.session, GetParam().before);
    bench.session.ok();
    EXPECT_EQ(bench.session.state(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    States, OkTable,
    ::testing::Values(Step{State::SettingsScreen, State::ConfirmSettings},
                      Step{State::StartPanel, State::CarType},
                      Step{State::CarTypeWait, State::PlugTheBox},
                      Step{State::PlugTheBoxWait, State::Connect},
                      Step{State::IgnitionOffWait, State::PleaseWaitOff},
                      Step{State::IgnitionOnWait, State::PleaseWaitOn},
                      Step{State::EntryWait, State::AreYouSure},
                      Step{State::AreYouSureWait, State::Program},
                      Step{State::IgnitionOffAfterWait, State::PleaseWaitOffAfter},
                      Step{State::IgnitionOnAfterWait, State::PleaseWaitOnAfter},
                      Step{State::FinishedWait, State::EcuScan}));

TEST(OkAndBack, ChangeNothingInAnyOtherState) {
    const std::set<State> okStates = {
        State::SettingsScreen,      State::StartPanel,      State::CarTypeWait,
        State::PlugTheBoxWait,      State::IgnitionOffWait, State::IgnitionOnWait,
        State::EntryWait,           State::AreYouSureWait,  State::IgnitionOffAfterWait,
        State::IgnitionOnAfterWait, State::FinishedWait};
    const std::set<State> backStates = {
        State::SettingsScreen,     State::CarTypeWait,     State::Program,
        State::BoxSilentWait,      State::ModuleMenu,      State::CarSilentWait,
        State::ClusterPoll,        State::PetrolKaPoll,    State::PetrolCommonPoll,
        State::PetrolFocusPoll,    State::PetrolVctPoll,   State::PetrolGhiaPoll,
        State::DieselFullPoll,     State::DieselSmallPoll, State::DieselCmaxPoll,
        State::DieselFocusPoll,    State::UnusedLive80,    State::ReadInjectors,
        State::PlugTheBoxWait,     State::IgnitionOffWait, State::IgnitionOnWait,
        State::EntryWait,          State::AreYouSureWait,  State::IgnitionOffAfterWait,
        State::IgnitionOnAfterWait};
    Bench bench;
    // Every state number the tester has, named or not.
    for (int number = 0; number <= 161; ++number) {
        const auto state = static_cast<State>(number);
        if (okStates.count(state) == 0) {
            SessionTestAccess::putInState(bench.session, state);
            bench.view.listSelection.clear();
            bench.session.ok();
            EXPECT_EQ(bench.session.state(), state) << "OK in " << state;
            EXPECT_TRUE(bench.view.listSelection.empty());
        }
        if (backStates.count(state) == 0) {
            SessionTestAccess::putInState(bench.session, state);
            bench.session.back();
            EXPECT_EQ(bench.session.state(), state) << "BACK in " << state;
        }
    }
}

// Any state number, named or not, steps without harm: a live state acts only with its page.
TEST(Commands, EveryStateNumberStepsSafely) {
    for (int number = 0; number <= 161; ++number) {
        Bench bench("diesel-van");
        SessionTestAccess::putInState(bench.session, static_cast<State>(number));
        bench.session.step();
        bench.session.step();
        for (const std::string& line : bench.view.lines) {
            EXPECT_TRUE(line.empty() || line.size() == 24 || line.size() == 25) << number;
        }
    }
}

TEST(Commands, EveryStateOutsideTheTablesWaits) {
    Bench bench;
    for (State state :
         {State::StartPanel,          State::CarTypeWait,     static_cast<State>(9),
          State::BoxSilentWait,       State::PlugTheBoxWait,  State::ModuleMenu,
          State::CarSilentWait,       State::LiveTcmPetrol,   State::LiveTcmDiesel,
          State::LiveAbsPetrol,       State::LiveAbsDiesel,   State::LiveAirBagPetrol,
          State::LiveAirBagDiesel,    State::IgnitionOffWait, State::IgnitionOnWait,
          State::EntryWait,           State::AreYouSureWait,  State::IgnitionOffAfterWait,
          State::IgnitionOnAfterWait, State::FinishedWait}) {
        SessionTestAccess::putInState(bench.session, state);
        EXPECT_TRUE(bench.session.isWaiting()) << state;
        bench.session.step();
        EXPECT_EQ(bench.session.state(), state);
    }
    for (State state :
         {State::Start, State::ReadSettings, State::ConfirmSettings, State::PortFailed,
          State::CarType, State::Connect, State::BoxSilent, State::PlugTheBox, State::EcuScan,
          State::CarSilent, State::PetrolKaPoll, State::DieselCmaxPoll, State::ReadDtcPcm,
          State::ListDtc, State::ClearDtcPcm, State::ReadInjectors, State::PleaseWaitOff,
          State::Program}) {
        SessionTestAccess::putInState(bench.session, state);
        EXPECT_FALSE(bench.session.isWaiting()) << state;
    }
}

}  // namespace
}  // namespace tvx::session
