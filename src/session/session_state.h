#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace tvx::session {

// The states of the session. The values are the tester's state numbers, which traces,
// logs and mechanics' reports have always used; never renumber. A state without an action
// is a waiting state: the session idles there until a command moves it on.
enum class State : std::int16_t {
    Start = 0,
    ReadSettings = 1,
    SettingsScreen = 2,  // waits for the COM port and the language
    ConfirmSettings = 3,
    PortFailed = 4,
    StartPanel = 5,  // waits: the start picture, OK goes on
    CarType = 6,
    CarTypeWait = 7,
    Connect = 8,
    BoxSilent = 10,
    BoxSilentWait = 11,
    PlugTheBoxWait = 12,
    PlugTheBox = 13,
    EcuScan = 14,
    ModuleMenu = 15,
    CarSilent = 16,
    CarSilentWait = 17,  // also where a lost line leaves the session

    // Live data pressed: the dispatch by module and engine family. Only the PCM and the
    // cluster have pages; the others wait.
    LivePetrol = 20,
    LiveDiesel = 21,
    LiveTcmPetrol = 22,
    LiveTcmDiesel = 23,
    LiveAbsPetrol = 24,
    LiveAbsDiesel = 25,
    LiveAirBagPetrol = 26,
    LiveAirBagDiesel = 27,

    // Live-data pages: an entry state lays the page out, its polling state reads it.
    ClusterEntry = 28,
    ClusterPoll = 29,
    PetrolKaEntry = 50,
    PetrolKaPoll = 51,
    PetrolCommonEntry = 53,
    PetrolCommonPoll = 54,
    PetrolFocusEntry = 55,
    PetrolFocusPoll = 56,
    PetrolVctEntry = 57,
    PetrolVctPoll = 58,
    PetrolGhiaEntry = 59,
    PetrolGhiaPoll = 60,
    DieselFullEntry = 70,
    DieselFullPoll = 71,
    DieselSmallEntry = 73,
    DieselSmallPoll = 74,
    DieselCmaxEntry = 75,
    DieselCmaxPoll = 76,
    DieselFocusEntry = 77,
    DieselFocusPoll = 78,
    UnusedLive80 = 80,  // named in the BACK table, never entered

    // Trouble codes of modules 1..5 (PCM, TCM, ABS, AirBag, Cluster): see readDtcState().
    ReadDtcPcm = 100,
    ReadDtcTcm = 101,
    ReadDtcAbs = 102,
    ReadDtcAirBag = 103,
    ReadDtcCluster = 104,
    ListDtc = 109,
    ClearDtcPcm = 110,
    ClearDtcTcm = 111,
    ClearDtcAbs = 112,
    ClearDtcAirBag = 113,
    ClearDtcCluster = 114,

    // Injector control unit: read, then the programming sequence with its ignition steps.
    ReadInjectors = 121,
    OfferProgramming = 122,
    IgnitionOff = 142,
    IgnitionOffWait = 143,
    PleaseWaitOff = 144,
    IgnitionOn = 145,
    IgnitionOnWait = 146,
    PleaseWaitOn = 147,
    EntryScreen = 148,
    EntryWait = 149,
    AreYouSure = 150,
    AreYouSureWait = 151,
    Program = 152,
    IgnitionOffAfter = 153,
    IgnitionOffAfterWait = 154,
    PleaseWaitOffAfter = 155,
    IgnitionOnAfter = 156,
    IgnitionOnAfterWait = 157,
    PleaseWaitOnAfter = 158,
    Finished = 159,
    FinishedWait = 160,  // finished, failed or refused: OK returns to the module menu
    PleaseWaitAfterWrite = 161,
};

// The state number, for traces and messages.
constexpr int stateNumber(State state) {
    return static_cast<int>(state);
}
std::string stateName(State state);  // "ModuleMenu (15)"
std::ostream& operator<<(std::ostream& out, State state);

// The only arithmetic on state numbers: the trouble-code states run in module order.
// Module 1..5 (PCM .. Cluster); anything else gives the PCM's state.
State readDtcState(int module);
State clearDtcState(int module);
// The module 1..5 of a read or clear state, 0 for any other state.
int moduleOfReadDtc(State state);
int moduleOfClearDtc(State state);
// First <= state <= last, on the state numbers.
constexpr bool inRange(State state, State first, State last) {
    return stateNumber(state) >= stateNumber(first) && stateNumber(state) <= stateNumber(last);
}

}  // namespace tvx::session
