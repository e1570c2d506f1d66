#include "session/live_pages.h"

#include <algorithm>
#include <array>

namespace tvx::session {

namespace {

using link::Decoder;
using Kind = LiveRead::Kind;

// Which decoder row each value of the pages reads. "First request" and "second request"
// are the decoder rows ending in 1 and 2 (First / Second for the pedal sensors):
//   engine revolution  EngineSpeed1 0x000C      / EngineSpeed2 0x1165
//   manifold pressure  ManifoldPressure1 0x1633 / ManifoldPressure2 0x1440
//   throttle           ThrottlePosition1 0x1154 / ThrottlePosition2 0x0011
//   vehicle speed      VehicleSpeed1 0x000D     / VehicleSpeed2 0x11C1
//   coolant            CoolantTemp1 0x1139      / CoolantTemp2 0x0005
//   intake air         IntakeAirTemp1 0x1123    / IntakeAirTemp2 0x000F
//   barometer          Barometer1 0x1127        / Barometer2 0x1442
//   fuel pressure      FuelRailPressure1 0x0023 / FuelRailPressure2 0x168C
//   fuel temperature   FuelTemp1 (one byte)     / FuelTemp2 (two bytes)
//   EGR position       EgrPosition1 0x096A      / EgrPosition2 0x096C
//   pedal (appd)       PedalPosition1 0x1340    / PedalPosition2 0x0049
//   pedal 1, pedal 2   PedalSensor1First/Second, PedalSensor2First/Second
// Values of the diesel pages that name no request use the diesel rows of the decoder
// table: manifold pressure 0x000B, vehicle speed 0x1505, barometer 0x1442, cylinder head
// and intake air temperature 0x0005 and 0x000F (the engine's own -40 degree offset rows).
constexpr LiveRead value(Decoder decoder, Gauge gauge) {
    return LiveRead{Kind::Decode, decoder, gauge};
}
constexpr LiveRead kSwitchStates{Kind::SwitchStates, Decoder{}, Gauge::cppd};

// Petrol pages (Frame61).
constexpr PanelVisibility kPetrol50[] = {
    {"rpmp", true}, {"mapp", true}, {"atpp", true}, {"lmdp", true},   {"vssp", true},
    {"ectp", true}, {"iatp", true}, {"batp", true}, {"hup", true},    {"advp", true},
    {"hdp", true},  {"vip", false}, {"vop", false}, {"barop", false}, {"loadp", false}};
constexpr PanelVisibility kPetrol53[] = {
    {"rpmp", true}, {"mapp", true}, {"atpp", true}, {"lmdp", true},  {"vssp", true},
    {"ectp", true}, {"iatp", true}, {"batp", true}, {"hup", true},   {"advp", true},
    {"hdp", true},  {"vip", false}, {"vop", false}, {"barop", true}, {"loadp", false}};
constexpr PanelVisibility kPetrol55[] = {
    {"rpmp", true}, {"mapp", true}, {"atpp", true}, {"lmdp", true},  {"vssp", true},
    {"ectp", true}, {"iatp", true}, {"batp", true}, {"hup", true},   {"advp", true},
    {"hdp", false}, {"vip", false}, {"vop", false}, {"barop", true}, {"loadp", true}};
constexpr PanelVisibility kPetrol57[] = {
    {"rpmp", true}, {"mapp", true}, {"atpp", true}, {"lmdp", true},  {"vssp", true},
    {"ectp", true}, {"iatp", true}, {"batp", true}, {"hup", true},   {"advp", true},
    {"hdp", true},  {"vip", true},  {"vop", true},  {"barop", true}, {"loadp", false}};
constexpr PanelVisibility kPetrol59[] = {
    {"rpmp", true}, {"mapp", true}, {"atpp", true}, {"lmdp", true},  {"vssp", true},
    {"ectp", true}, {"iatp", true}, {"batp", true}, {"hup", true},   {"advp", false},
    {"hdp", false}, {"vip", false}, {"vop", false}, {"barop", true}, {"loadp", false}};

// Group R: revolution, advance, manifold pressure, throttle, lambda. Group G: trouble-code
// count, speed, coolant and intake air temperature, battery, both oxygen sensors.
constexpr std::array<LiveRead, 5> kGroupR = {
    value(Decoder::EngineSpeed2, Gauge::rpmd), value(Decoder::IgnitionAdvance, Gauge::advd),
    value(Decoder::ManifoldPressure1, Gauge::mapd), value(Decoder::ThrottlePosition1, Gauge::atpsd),
    value(Decoder::Lambda, Gauge::lmdd)};
constexpr std::array<LiveRead, 7> kGroupG = {
    value(Decoder::DtcCount, Gauge::dtcd),       value(Decoder::VehicleSpeed1, Gauge::vssd),
    value(Decoder::CoolantTemp1, Gauge::ectd),   value(Decoder::IntakeAirTemp1, Gauge::iatd),
    value(Decoder::BatteryVoltage, Gauge::Batd), value(Decoder::HegoUp, Gauge::hegoupd),
    value(Decoder::HegoDown, Gauge::hegodownd)};

// The reads of several lists one after the other.
template <std::size_t... N>
constexpr auto concat(const std::array<LiveRead, N>&... parts) {
    std::array<LiveRead, (N + ...)> all{};
    std::size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), all.begin() + at), at += N), ...);
    return all;
}

constexpr auto kPoll51 = concat(kGroupR, kGroupG);
constexpr auto kPoll54 = concat(kGroupR, kGroupG,
                                std::array{value(Decoder::Barometer1, Gauge::Barod),
                                           value(Decoder::VehicleSpeed1, Gauge::vssd)});
constexpr LiveRead kPoll56[] = {value(Decoder::EngineSpeed1, Gauge::rpmd),
                                value(Decoder::IgnitionAdvance, Gauge::advd),
                                value(Decoder::ManifoldPressure1, Gauge::mapd),
                                value(Decoder::ThrottlePosition1, Gauge::atpsd),
                                value(Decoder::Lambda, Gauge::lmdd),
                                value(Decoder::DtcCount, Gauge::dtcd),
                                value(Decoder::EngineLoad, Gauge::loadd),
                                value(Decoder::CoolantTemp1, Gauge::ectd),
                                value(Decoder::IntakeAirTemp1, Gauge::iatd),
                                value(Decoder::BatteryVoltage, Gauge::Batd),
                                value(Decoder::HegoUp, Gauge::hegoupd),
                                value(Decoder::Barometer1, Gauge::Barod),
                                value(Decoder::VehicleSpeed2, Gauge::vssd)};
constexpr auto kPoll58 = concat(
    kGroupR, std::array{value(Decoder::Barometer1, Gauge::Barod)}, kGroupG,
    std::array{value(Decoder::VvtInlet, Gauge::vvtind), value(Decoder::VvtOutlet, Gauge::vvtoutd)});
constexpr LiveRead kPoll60[] = {
    value(Decoder::EngineSpeed2, Gauge::rpmd),       value(Decoder::ManifoldPressure2, Gauge::mapd),
    value(Decoder::ThrottlePosition2, Gauge::atpsd), value(Decoder::Lambda, Gauge::lmdd),
    value(Decoder::DtcCount, Gauge::dtcd),           value(Decoder::CoolantTemp2, Gauge::ectd),
    value(Decoder::IntakeAirTemp2, Gauge::iatd),     value(Decoder::BatteryVoltage, Gauge::Batd),
    value(Decoder::HegoUp, Gauge::hegoupd),          value(Decoder::Barometer2, Gauge::Barod),
    value(Decoder::VehicleSpeed1, Gauge::vssd)};

// Diesel pages (Frame71).
// Page 70 shows the full panel set; its air mass, load, torque and pedal gauges are not
// read there and stay blank, keeping the layout of the full set.
constexpr Gauge kBlank70[] = {Gauge::mafd, Gauge::loadd, Gauge::torkd, Gauge::appd};
constexpr PanelVisibility kDiesel70[] = {
    {"rpmp", true},   {"frpp", true},  {"mapp", true},  {"mafp", true},  {"mfdp", true},
    {"dtcp", true},   {"vssp", true},  {"chtp", true},  {"iatp", true},  {"ftsp", true},
    {"batp", true},   {"barop", true}, {"appp", true},  {"egrpp", true}, {"egrdp", true},
    {"app1p", true},  {"app2p", true}, {"app3p", true}, {"bppp", true},  {"cppp", true},
    {"klimap", true}, {"loadp", true}, {"betp", true},  {"torkp", true}};
// The A/C, load, battery temperature and torque panels are not read on page 73 and are
// hidden with the panels that page leaves out.
constexpr PanelVisibility kDiesel73[] = {
    {"rpmp", true},    {"frpp", true},   {"mapp", false},  {"mafp", true},   {"mfdp", false},
    {"dtcp", true},    {"vssp", true},   {"chtp", true},   {"iatp", true},   {"ftsp", true},
    {"batp", true},    {"barop", true},  {"appp", true},   {"egrpp", false}, {"egrdp", true},
    {"app1p", true},   {"app2p", true},  {"app3p", false}, {"bppp", false},  {"cppp", false},
    {"klimap", false}, {"loadp", false}, {"betp", false},  {"torkp", false}};
// The torque panel is not read on this page and is hidden with the other unused ones.
constexpr PanelVisibility kDiesel75[] = {
    {"rpmp", true},    {"frpp", true},   {"mapp", true},   {"mafp", true},  {"mfdp", true},
    {"dtcp", true},    {"vssp", true},   {"chtp", true},   {"iatp", true},  {"ftsp", true},
    {"batp", true},    {"barop", true},  {"appp", true},   {"egrpp", true}, {"egrdp", true},
    {"app1p", false},  {"app2p", false}, {"app3p", false}, {"bppp", false}, {"cppp", false},
    {"klimap", false}, {"loadp", false}, {"betp", false},  {"torkp", false}};
constexpr PanelVisibility kDiesel77[] = {
    {"rpmp", true},    {"frpp", true},   {"mapp", false},  {"mafp", true},   {"mfdp", false},
    {"dtcp", true},    {"vssp", true},   {"chtp", true},   {"iatp", true},   {"ftsp", true},
    {"batp", true},    {"barop", true},  {"appp", true},   {"egrpp", false}, {"egrdp", false},
    {"app1p", true},   {"app2p", false}, {"app3p", false}, {"bppp", false},  {"cppp", false},
    {"klimap", false}, {"loadp", true},  {"betp", false},  {"torkp", true}};

constexpr LiveRead kPoll71[] = {value(Decoder::EngineSpeed1, Gauge::rpmd),
                                value(Decoder::FuelRailPressure1, Gauge::frpd),
                                value(Decoder::ManifoldPressureDiesel, Gauge::mapd),
                                value(Decoder::BatteryVoltage, Gauge::batd),
                                value(Decoder::PedalSensor1First, Gauge::app1d),
                                value(Decoder::PedalSensor2First, Gauge::app2d),
                                value(Decoder::PedalSensor3, Gauge::app3d),
                                value(Decoder::CoolantTemp2, Gauge::chdd),
                                value(Decoder::IntakeAirTemp2, Gauge::iatd),
                                value(Decoder::FuelTemp1, Gauge::ftsd),
                                value(Decoder::BatteryTemp, Gauge::betd),
                                value(Decoder::DtcCount, Gauge::dtcd),
                                kSwitchStates,
                                value(Decoder::EgrPosition1, Gauge::egrpd),
                                value(Decoder::EgrDuty, Gauge::egrdd),
                                value(Decoder::DesiredFuel, Gauge::mfdd),
                                value(Decoder::Barometer2, Gauge::Barod),
                                value(Decoder::VehicleSpeedDiesel, Gauge::VSSd)};
constexpr LiveRead kPoll74[] = {value(Decoder::EngineSpeed2, Gauge::rpmd),
                                value(Decoder::BatteryVoltage, Gauge::batd),
                                value(Decoder::FuelRailPressure2, Gauge::frpd),
                                value(Decoder::VehicleSpeedDiesel, Gauge::VSSd),
                                value(Decoder::CoolantTemp2, Gauge::chdd),
                                value(Decoder::FuelTemp2, Gauge::ftsd),
                                value(Decoder::IntakeAirTemp2, Gauge::iatd),
                                value(Decoder::PedalPosition1, Gauge::appd),
                                value(Decoder::PedalSensor1Second, Gauge::app1d),
                                value(Decoder::PedalSensor2Second, Gauge::app2d),
                                value(Decoder::DtcCount, Gauge::dtcd),
                                value(Decoder::EgrDuty, Gauge::egrdd),
                                value(Decoder::Barometer2, Gauge::Barod),
                                value(Decoder::AirMass, Gauge::mafd)};
constexpr LiveRead kPoll76[] = {value(Decoder::EngineSpeed2, Gauge::rpmd),
                                value(Decoder::FuelRailPressure1, Gauge::frpd),
                                value(Decoder::AirMass, Gauge::mafd),
                                value(Decoder::ManifoldPressureDiesel, Gauge::mapd),
                                value(Decoder::EgrDuty, Gauge::egrdd),
                                value(Decoder::EgrPosition2, Gauge::egrpd),
                                value(Decoder::DesiredFuel, Gauge::mfdd),
                                value(Decoder::DtcCount, Gauge::dtcd),
                                value(Decoder::CoolantTemp2, Gauge::chdd),
                                value(Decoder::FuelTemp1, Gauge::ftsd),
                                value(Decoder::IntakeAirTemp2, Gauge::iatd),
                                value(Decoder::BatteryVoltage, Gauge::batd),
                                value(Decoder::Barometer2, Gauge::Barod),
                                value(Decoder::VehicleSpeed2, Gauge::VSSd),
                                value(Decoder::PedalPosition1, Gauge::appd)};
constexpr LiveRead kPoll78[] = {value(Decoder::EngineSpeed2, Gauge::rpmd),
                                value(Decoder::FuelRailPressure1, Gauge::frpd),
                                value(Decoder::EngineLoad, Gauge::loadd),
                                value(Decoder::AirMass, Gauge::mafd),
                                value(Decoder::PedalSensor1Second, Gauge::app1d),
                                value(Decoder::Barometer2, Gauge::Barod),
                                value(Decoder::Torque, Gauge::torkd),
                                value(Decoder::DtcCount, Gauge::dtcd),
                                value(Decoder::VehicleSpeedDiesel, Gauge::VSSd),
                                value(Decoder::CoolantTemp2, Gauge::chdd),
                                value(Decoder::FuelTemp2, Gauge::ftsd),
                                value(Decoder::IntakeAirTemp2, Gauge::iatd),
                                value(Decoder::BatteryVoltage, Gauge::batd),
                                value(Decoder::PedalPosition2, Gauge::appd)};

// Cluster page (Frame81). The demo pause keeps a demo cluster from polling flat out.
constexpr LiveRead kPoll29[] = {LiveRead{Kind::Odometer, Decoder{}, Gauge::kmd},
                                value(Decoder::FuelLevel, Gauge::flid),
                                value(Decoder::ClusterDtcCount, Gauge::dtcd)};

constexpr unsigned kDemoPause = 250;

// The pages, and with them the only list of the live-data states.
const std::array<LivePage, 10> kPages = {{
    {State::PetrolKaEntry, State::PetrolKaPoll, "Frame61", kPetrol50, kDemoPause, 0, kPoll51},
    {State::PetrolCommonEntry, State::PetrolCommonPoll, "Frame61", kPetrol53, kDemoPause, 0,
     kPoll54},
    {State::PetrolFocusEntry, State::PetrolFocusPoll, "Frame61", kPetrol55, kDemoPause, 0, kPoll56},
    {State::PetrolVctEntry, State::PetrolVctPoll, "Frame61", kPetrol57, kDemoPause, 0, kPoll58},
    {State::PetrolGhiaEntry, State::PetrolGhiaPoll, "Frame61", kPetrol59, kDemoPause, 0, kPoll60},
    {State::DieselFullEntry, State::DieselFullPoll, "Frame71", kDiesel70, kDemoPause, 0, kPoll71,
     kBlank70},
    {State::DieselSmallEntry, State::DieselSmallPoll, "Frame71", kDiesel73, kDemoPause, 0, kPoll74},
    {State::DieselCmaxEntry, State::DieselCmaxPoll, "Frame71", kDiesel75, kDemoPause, 20, kPoll76},
    {State::DieselFocusEntry, State::DieselFocusPoll, "Frame71", kDiesel77, kDemoPause, 0, kPoll78},
    {State::ClusterEntry, State::ClusterPoll, "Frame81", {}, kDemoPause, 0, kPoll29},
}};

// The page of each vehicle of the two lists, by its entry state.
constexpr State kPetrolEntry[] = {
    State::PetrolKaEntry,     State::PetrolCommonEntry, State::PetrolCommonEntry,
    State::PetrolCommonEntry, State::PetrolCommonEntry, State::PetrolFocusEntry,
    State::PetrolCommonEntry, State::PetrolCommonEntry, State::PetrolVctEntry,
    State::PetrolVctEntry,    State::PetrolGhiaEntry};
constexpr State kDieselEntry[] = {State::DieselSmallEntry, State::DieselSmallEntry,
                                  State::DieselCmaxEntry,  State::DieselFocusEntry,
                                  State::DieselFullEntry,  State::DieselFullEntry,
                                  State::DieselFullEntry,  State::DieselFullEntry};

constexpr std::string_view kPetrolModels[] = {
    "KA 1.3i",         "FIESTA  1.4i",        "FUSION 1.4i",   "FIESTA  1.6i",
    "FUSION 1.6i",     "FOCUS  1.6i",         "MONDEO 2.0i",   "FOCUS cmax 1.6i",
    "FOCUS vct  1.6i", "FOCUS cmax vct 1.6i", "FOCUS ghia 1.6"};
constexpr std::string_view kDieselModels[] = {
    "FUSION 1.4 TDCI", "FIESTA  1.4 TDCI", "FOCUS cmax 1.6 TDCI",
    "FOCUS 1.6 TDCI",  "FOCUS 1.8 TDCI",   "TRANSIT connect 1.8 TDCI",
    "TRANSIT ",        "MONDEO 2.0 TDCI"};

}  // namespace

const LivePage* livePageForModel(bool diesel, int modelIndex) {
    std::span<const State> entries(diesel ? std::span<const State>(kDieselEntry)
                                          : std::span<const State>(kPetrolEntry));
    if (modelIndex < 0 || modelIndex >= static_cast<int>(entries.size())) {
        return nullptr;
    }
    return livePageForState(entries[modelIndex]);
}

const LivePage& clusterPage() {
    return kPages.back();
}

const LivePage* livePageForState(State state) {
    for (const LivePage& page : kPages) {
        if (page.entryState == state || page.pollState == state) {
            return &page;
        }
    }
    return nullptr;
}

std::span<const LivePage> allLivePages() {
    return kPages;
}

std::span<const std::string_view> petrolModels() {
    return kPetrolModels;
}
std::span<const std::string_view> dieselModels() {
    return kDieselModels;
}

bool vehicleHasInjectorUnit(bool diesel, int modelIndex) {
    return diesel && modelIndex >= 4 && modelIndex <= 7;
}

std::string_view clutchText(unsigned statusFlags) {
    return (statusFlags & 8) ? "OFF" : " ON";
}
std::string_view brakeText(unsigned statusFlags) {
    return (statusFlags & 2) ? " ON" : "OFF";
}
std::string_view aircoText(unsigned statusFlags) {
    return (statusFlags & 1) ? " ON" : "OFF";
}

}  // namespace tvx::session
