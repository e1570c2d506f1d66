#include "session/session_state.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string_view>

namespace tvx::session {
namespace {

struct StateNameRow {
    State state;
    std::string_view name;
};

constexpr StateNameRow kNames[] = {
    {State::Start, "Start"},
    {State::ReadSettings, "ReadSettings"},
    {State::SettingsScreen, "SettingsScreen"},
    {State::ConfirmSettings, "ConfirmSettings"},
    {State::PortFailed, "PortFailed"},
    {State::StartPanel, "StartPanel"},
    {State::CarType, "CarType"},
    {State::CarTypeWait, "CarTypeWait"},
    {State::Connect, "Connect"},
    {State::BoxSilent, "BoxSilent"},
    {State::BoxSilentWait, "BoxSilentWait"},
    {State::PlugTheBoxWait, "PlugTheBoxWait"},
    {State::PlugTheBox, "PlugTheBox"},
    {State::EcuScan, "EcuScan"},
    {State::ModuleMenu, "ModuleMenu"},
    {State::CarSilent, "CarSilent"},
    {State::CarSilentWait, "CarSilentWait"},
    {State::LivePetrol, "LivePetrol"},
    {State::LiveDiesel, "LiveDiesel"},
    {State::LiveTcmPetrol, "LiveTcmPetrol"},
    {State::LiveTcmDiesel, "LiveTcmDiesel"},
    {State::LiveAbsPetrol, "LiveAbsPetrol"},
    {State::LiveAbsDiesel, "LiveAbsDiesel"},
    {State::LiveAirBagPetrol, "LiveAirBagPetrol"},
    {State::LiveAirBagDiesel, "LiveAirBagDiesel"},
    {State::ClusterEntry, "ClusterEntry"},
    {State::ClusterPoll, "ClusterPoll"},
    {State::PetrolKaEntry, "PetrolKaEntry"},
    {State::PetrolKaPoll, "PetrolKaPoll"},
    {State::PetrolCommonEntry, "PetrolCommonEntry"},
    {State::PetrolCommonPoll, "PetrolCommonPoll"},
    {State::PetrolFocusEntry, "PetrolFocusEntry"},
    {State::PetrolFocusPoll, "PetrolFocusPoll"},
    {State::PetrolVctEntry, "PetrolVctEntry"},
    {State::PetrolVctPoll, "PetrolVctPoll"},
    {State::PetrolGhiaEntry, "PetrolGhiaEntry"},
    {State::PetrolGhiaPoll, "PetrolGhiaPoll"},
    {State::DieselFullEntry, "DieselFullEntry"},
    {State::DieselFullPoll, "DieselFullPoll"},
    {State::DieselSmallEntry, "DieselSmallEntry"},
    {State::DieselSmallPoll, "DieselSmallPoll"},
    {State::DieselCmaxEntry, "DieselCmaxEntry"},
    {State::DieselCmaxPoll, "DieselCmaxPoll"},
    {State::DieselFocusEntry, "DieselFocusEntry"},
    {State::DieselFocusPoll, "DieselFocusPoll"},
    {State::UnusedLive80, "UnusedLive80"},
    {State::ReadDtcPcm, "ReadDtcPcm"},
    {State::ReadDtcTcm, "ReadDtcTcm"},
    {State::ReadDtcAbs, "ReadDtcAbs"},
    {State::ReadDtcAirBag, "ReadDtcAirBag"},
    {State::ReadDtcCluster, "ReadDtcCluster"},
    {State::ListDtc, "ListDtc"},
    {State::ClearDtcPcm, "ClearDtcPcm"},
    {State::ClearDtcTcm, "ClearDtcTcm"},
    {State::ClearDtcAbs, "ClearDtcAbs"},
    {State::ClearDtcAirBag, "ClearDtcAirBag"},
    {State::ClearDtcCluster, "ClearDtcCluster"},
    {State::ReadInjectors, "ReadInjectors"},
    {State::OfferProgramming, "OfferProgramming"},
    {State::IgnitionOff, "IgnitionOff"},
    {State::IgnitionOffWait, "IgnitionOffWait"},
    {State::PleaseWaitOff, "PleaseWaitOff"},
    {State::IgnitionOn, "IgnitionOn"},
    {State::IgnitionOnWait, "IgnitionOnWait"},
    {State::PleaseWaitOn, "PleaseWaitOn"},
    {State::EntryScreen, "EntryScreen"},
    {State::EntryWait, "EntryWait"},
    {State::AreYouSure, "AreYouSure"},
    {State::AreYouSureWait, "AreYouSureWait"},
    {State::Program, "Program"},
    {State::IgnitionOffAfter, "IgnitionOffAfter"},
    {State::IgnitionOffAfterWait, "IgnitionOffAfterWait"},
    {State::PleaseWaitOffAfter, "PleaseWaitOffAfter"},
    {State::IgnitionOnAfter, "IgnitionOnAfter"},
    {State::IgnitionOnAfterWait, "IgnitionOnAfterWait"},
    {State::PleaseWaitOnAfter, "PleaseWaitOnAfter"},
    {State::Finished, "Finished"},
    {State::FinishedWait, "FinishedWait"},
    {State::PleaseWaitAfterWrite, "PleaseWaitAfterWrite"},
};

}  // namespace

std::string stateName(State state) {
    const auto row = std::find_if(std::begin(kNames), std::end(kNames),
                                  [state](const StateNameRow& r) { return r.state == state; });
    const std::string number = std::to_string(stateNumber(state));
    return row == std::end(kNames) ? "state " + number
                                   : std::string(row->name) + " (" + number + ")";
}

std::ostream& operator<<(std::ostream& out, State state) {
    return out << stateName(state);
}

State readDtcState(int module) {
    return static_cast<State>(stateNumber(State::ReadDtcPcm) + std::clamp(module, 1, 5) - 1);
}

State clearDtcState(int module) {
    return static_cast<State>(stateNumber(State::ClearDtcPcm) + std::clamp(module, 1, 5) - 1);
}

int moduleOfReadDtc(State state) {
    return inRange(state, State::ReadDtcPcm, State::ReadDtcCluster)
               ? stateNumber(state) - stateNumber(State::ReadDtcPcm) + 1
               : 0;
}

int moduleOfClearDtc(State state) {
    return inRange(state, State::ClearDtcPcm, State::ClearDtcCluster)
               ? stateNumber(state) - stateNumber(State::ClearDtcPcm) + 1
               : 0;
}

}  // namespace tvx::session
