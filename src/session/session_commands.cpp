#include "session/session.h"

#include "session/session_controls.h"

namespace tvx::session {

namespace {

// Opening bytes of a module by its protocol. Protocol 0 in a row stands for "any other".
struct ModuleOpening {
    Module module;
    std::uint8_t protocol;
    std::array<std::uint8_t, 3> bytes;
    std::size_t length;
};
constexpr ModuleOpening kOpenings[] = {
    {Module::Pcm, 1, {0x14, 0x10}, 2},     {Module::Pcm, 0, {0x1E, 0x07, 0xE0}, 3},
    {Module::Tcm, 1, {0x14, 0x10}, 2},     {Module::Tcm, 0, {0x1E, 0x07, 0xE1}, 3},
    {Module::Abs, 1, {0x0A, 0x28}, 2},     {Module::Abs, 0, {0x1E, 0x07, 0x60}, 3},
    {Module::AirBag, 1, {0x0A, 0x58}, 2},  {Module::AirBag, 0, {0x1E, 0x07, 0x37}, 3},
    {Module::Cluster, 1, {0x14, 0x60}, 2}, {Module::Cluster, 2, {0x1E, 0x07, 0x20}, 3},
    {Module::Cluster, 3, {0x0A, 0x60}, 2},
};

// The bytes a module button sends; empty for a cluster of an unknown protocol.
std::span<const std::uint8_t> openingBytes(Module module, std::uint8_t protocol) {
    const ModuleOpening* other = nullptr;
    for (const ModuleOpening& row : kOpenings) {
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

constexpr controls::Transition kOkTable[] = {{2, 3},     {5, 6},     {7, 13},    {12, 8},
                                             {143, 144}, {146, 147}, {149, 150}, {151, 152},
                                             {154, 155}, {157, 158}, {160, 14}};
constexpr controls::Transition kBackTable[] = {
    {2, 0},   {7, 0},    {152, 0},  {11, 13},  {15, 13},  {17, 13},  {29, 13}, {51, 13}, {54, 13},
    {56, 13}, {58, 13},  {60, 13},  {71, 13},  {74, 13},  {76, 13},  {78, 13}, {80, 13}, {121, 13},
    {12, 6},  {143, 14}, {146, 14}, {149, 14}, {151, 14}, {154, 14}, {157, 14}};

constexpr std::uint16_t kModuleReplyTimeoutMs = 100;

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Operator commands.

void Session::ok() {
    for (const Transition& t : kOkTable) {
        if (t.before == SessionState) {
            if (t.before == 2) {
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
            if (t.before == 12) {
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
    setState(14);
}

void Session::setting() {
    m_link.ClosePort();
    m_comSelection = ComPortIndex;
    m_languageSelection = LanguageCode == '2' ? 1 : 0;
    m_view.setListSelection("RGCom", m_comSelection);
    m_view.setListSelection("Language", m_languageSelection);
    setState(2);
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
    if (index < 0 || index >= static_cast<int>(petrolModels().size())) {
        return;
    }
    m_petrolSelection = index;
    m_dieselSelection = -1;
    m_modelIndex = index;
    DieselSelected = false;
    m_view.setListSelection("PG1", index);
    m_view.setListSelection("DG1", -1);
    m_view.setControlEnabled("OK", true);
}

void Session::selectDiesel(int index) {
    if (index < 0 || index >= static_cast<int>(dieselModels().size())) {
        return;
    }
    m_dieselSelection = index;
    m_petrolSelection = -1;
    m_modelIndex = index;
    DieselSelected = true;
    m_view.setListSelection("DG1", index);
    m_view.setListSelection("PG1", -1);
    m_view.setControlEnabled("OK", true);
}

void Session::live() {
    static constexpr int kLiveStates[][2] = {{20, 21}, {22, 23}, {24, 25}, {26, 27}, {28, 28}};
    const int module = moduleNumber();
    if (module == 0 || troubleCodeJobPending()) {
        return;
    }
    setState(kLiveStates[module - 1][DieselSelected ? 1 : 0]);
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
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121"});
    m_moduleDown = index;
    m_view.setButtonDown(kModuleButtons[index]);
    setState(15);
    if (m_link.DemoMode || module == Module::Icu) {
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
    if (m_link.ReadTimedOut != 0) {
        setState(16);
    }
}

}  // namespace tvx::session
