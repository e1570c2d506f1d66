#include "session/session.h"

#include "session/session_controls.h"

namespace tvx::session {

namespace {

// Opening bytes of a module by its protocol. Protocol 0 in a row stands for "any other".
struct OpeningBytes {
    Module module;
    std::uint8_t protocol;
    std::array<std::uint8_t, 3> bytes;
    std::size_t length;
};
constexpr OpeningBytes kOpenings[] = {
    {Module::Pcm, 1, {0x14, 0x10}, 2},     {Module::Pcm, 0, {0x1E, 0x07, 0xE0}, 3},
    {Module::Tcm, 1, {0x14, 0x10}, 2},     {Module::Tcm, 0, {0x1E, 0x07, 0xE1}, 3},
    {Module::Abs, 1, {0x0A, 0x28}, 2},     {Module::Abs, 0, {0x1E, 0x07, 0x60}, 3},
    {Module::AirBag, 1, {0x0A, 0x58}, 2},  {Module::AirBag, 0, {0x1E, 0x07, 0x37}, 3},
    {Module::Cluster, 1, {0x14, 0x60}, 2}, {Module::Cluster, 2, {0x1E, 0x07, 0x20}, 3},
    {Module::Cluster, 3, {0x0A, 0x60}, 2},
};

// The bytes a module button sends; empty for a cluster of an unknown protocol.
std::span<const std::uint8_t> openingBytes(Module module, std::uint8_t protocol) {
    const OpeningBytes* other = nullptr;
    for (const OpeningBytes& row : kOpenings) {
        if (row.module != module) {
            continue;
        }
        if (row.protocol == protocol) {
            return {row.bytes.data(), row.length};
        }
        if (row.protocol == 0) {
            other = &row;
        }
    }
    return other != nullptr ? std::span<const std::uint8_t>(other->bytes.data(), other->length)
                            : std::span<const std::uint8_t>();
}

// Which of live, rdtc/cdtc and read_inj a module button enables.
struct ModuleButtons {
    bool live;
    bool dtc;
    bool readInjector;
    ScreenId line;
};
constexpr ModuleButtons kModuleButtonTable[] = {
    {true, true, false, ScreenId::ModulePcm},     {false, true, false, ScreenId::ModuleTcm},
    {false, true, false, ScreenId::ModuleAbs},    {false, true, false, ScreenId::ModuleAirBag},
    {true, true, false, ScreenId::ModuleCluster}, {false, false, true, ScreenId::ModuleIcu},
};

using controls::Transition;

constexpr Transition kOkTable[] = {
    {State::SettingsScreen, State::ConfirmSettings},
    {State::StartPanel, State::CarType},
    {State::CarTypeWait, State::PlugTheBox},
    {State::PlugTheBoxWait, State::Connect},
    {State::IgnitionOffWait, State::PleaseWaitOff},
    {State::IgnitionOnWait, State::PleaseWaitOn},
    {State::EntryWait, State::AreYouSure},
    {State::AreYouSureWait, State::Program},
    {State::IgnitionOffAfterWait, State::PleaseWaitOffAfter},
    {State::IgnitionOnAfterWait, State::PleaseWaitOnAfter},
    {State::FinishedWait, State::EcuScan},
};
constexpr Transition kBackTable[] = {
    {State::SettingsScreen, State::Start},
    {State::CarTypeWait, State::Start},
    {State::Program, State::Start},
    {State::BoxSilentWait, State::PlugTheBox},
    {State::ModuleMenu, State::PlugTheBox},
    {State::CarSilentWait, State::PlugTheBox},
    {State::ClusterPoll, State::PlugTheBox},
    {State::PetrolKaPoll, State::PlugTheBox},
    {State::PetrolCommonPoll, State::PlugTheBox},
    {State::PetrolFocusPoll, State::PlugTheBox},
    {State::PetrolVctPoll, State::PlugTheBox},
    {State::PetrolGhiaPoll, State::PlugTheBox},
    {State::DieselFullPoll, State::PlugTheBox},
    {State::DieselSmallPoll, State::PlugTheBox},
    {State::DieselCmaxPoll, State::PlugTheBox},
    {State::DieselFocusPoll, State::PlugTheBox},
    {State::UnusedLive80, State::PlugTheBox},
    {State::ReadInjectors, State::PlugTheBox},
    {State::PlugTheBoxWait, State::CarType},
    {State::IgnitionOffWait, State::EcuScan},
    {State::IgnitionOnWait, State::EcuScan},
    {State::EntryWait, State::EcuScan},
    {State::AreYouSureWait, State::EcuScan},
    {State::IgnitionOffAfterWait, State::EcuScan},
    {State::IgnitionOnAfterWait, State::EcuScan},
};

// Live data by the module button down (PCM .. Cluster) and the engine family.
struct LiveDispatch {
    State petrol;
    State diesel;
};
constexpr LiveDispatch kLiveStates[] = {
    {State::LivePetrol, State::LiveDiesel},
    {State::LiveTcmPetrol, State::LiveTcmDiesel},
    {State::LiveAbsPetrol, State::LiveAbsDiesel},
    {State::LiveAirBagPetrol, State::LiveAirBagDiesel},
    {State::ClusterEntry, State::ClusterEntry},
};

constexpr std::uint16_t kModuleReplyTimeoutMs = 100;

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Operator commands.

void Session::ok() {
    // After a failed start OK shows what the doctor found; the state stays.
    if (m_finding &&
        (SessionState == State::BoxSilentWait || SessionState == State::CarSilentWait)) {
        showDiagnosis();
        return;
    }
    for (const Transition& t : kOkTable) {
        if (t.before == SessionState) {
            if (t.before == State::SettingsScreen) {
                m_view.setPanelVisible("Frame31", false);
            }
            setState(t.after);
            return;
        }
    }
}

void Session::back() {
    for (const Transition& t : kBackTable) {
        if (t.before == SessionState) {
            if (t.before == State::PlugTheBoxWait) {
                // Both lists cleared: no vehicle is chosen any more.
                m_petrolSelection = -1;
                m_dieselSelection = -1;
                m_modelIndex = -1;
                DieselSelected = false;
                m_view.setListSelection("PG1", -1);
                m_view.setListSelection("DG1", -1);
            }
            setState(t.after);
            return;
        }
    }
}

void Session::demo() {
    m_link.DemoMode = true;
    setState(State::EcuScan);
}

void Session::setting() {
    m_link.ClosePort();
    m_comSelection = ComPortIndex;
    m_languageSelection = LanguageCode == '2' ? 1 : 0;
    m_view.setListSelection("RGCom", m_comSelection);
    m_view.setListSelection("Language", m_languageSelection);
    setState(State::SettingsScreen);
}

void Session::selectCom(int index) {
    if (index < 0 || index > 7) {
        return;
    }
    m_comSelection = index;
    m_view.setListSelection("RGCom", index);
    m_view.setCaption("OK", "OK");
    m_view.setControlEnabled("OK", true);
}

void Session::selectLanguage(int index) {
    if (index < 0 || index > 1) {
        return;
    }
    m_languageSelection = index;
    m_view.setListSelection("Language", index);
}

void Session::selectPetrol(int index) {
    selectModel(false, index);
}

void Session::selectDiesel(int index) {
    selectModel(true, index);
}

void Session::selectModel(bool diesel, int index) {
    const auto models = diesel ? dieselModels() : petrolModels();
    if (index < 0 || index >= static_cast<int>(models.size())) {
        return;
    }
    m_dieselSelection = diesel ? index : -1;
    m_petrolSelection = diesel ? -1 : index;
    m_modelIndex = index;
    DieselSelected = diesel;
    m_view.setListSelection(diesel ? "DG1" : "PG1", index);
    m_view.setListSelection(diesel ? "PG1" : "DG1", -1);
    m_view.setControlEnabled("OK", true);
    notify(&SessionEvents::vehicleChosen, VehicleChoice{diesel, index, models[index]});
}

void Session::live() {
    const int module = moduleNumber();
    if (module == 0 || troubleCodeJobPending()) {
        return;
    }
    const LiveDispatch& dispatch = kLiveStates[module - 1];
    setState(DieselSelected ? dispatch.diesel : dispatch.petrol);
}

void Session::startAtPlugTheBox() {
    setState(State::PlugTheBox);
}

void Session::selectModule(Module module) {
    const int index = static_cast<int>(module);
    const ModuleButtons& buttons = kModuleButtonTable[index];
    for (std::string_view button : kFunctionButtons) {
        m_view.setControlVisible(button, true);
    }
    m_view.setControlEnabled("live", buttons.live);
    m_view.setControlEnabled("rdtc", buttons.dtc);
    m_view.setControlEnabled("cdtc", buttons.dtc);
    m_view.setControlEnabled("read_inj", buttons.readInjector);
    m_view.setControlEnabled("prog_inj", false);
    show(buttons.line);
    // Every data frame goes; the module menu's picture stays if it is there.
    showOnlyFrame(m_frameShown == "Frame131" ? "Frame131" : "");
    m_moduleDown = index;
    m_view.setButtonDown(kModuleButtons[index]);
    setState(State::ModuleMenu);
    if (m_link.DemoMode || module == Module::Icu) {
        notify(&SessionEvents::moduleOpened, ModuleOpening{module, true, m_link.DemoMode});
        return;
    }
    // The module's opening bytes by its protocol, then one reply byte.
    const auto bytes = openingBytes(module, m_link.ModuleProtocol[index + 1]);
    m_link.PurgePort();
    for (std::uint8_t byte : bytes) {
        m_link.SendByte(byte);
    }
    LastReplyByte = m_link.ReceiveByte(kModuleReplyTimeoutMs);
    if (lineLost()) {
        showLineLost();
        return;
    }
    const bool answered = m_link.ReadTimedOut == 0;
    notify(&SessionEvents::moduleOpened, ModuleOpening{module, answered, false});
    if (!answered) {
        observeSilentModule(module);
        setState(State::CarSilent);
    }
}

}  // namespace tvx::session
