#include "session/session.h"

#include "session/captions.h"
#include "session/session_controls.h"
#include "session/settings.h"

namespace tvx::session {

using namespace controls;

// ---------------------------------------------------------------------------------------
// Start-up, settings and connection.

void Session::stateSplashToSettings() {
    setState(1);
}

void Session::stateReadSettings() {
    m_view.setControlEnabled("Setting", true);
    show(ScreenId::Splash);
    m_view.setControlEnabled("BACK", false);
    const std::filesystem::path file = settingsPath(m_dataDirectory);
    SettingsRead read = readSettings(file);
    if (read.status != SettingsStatus::Read) {
        // Missing: created with the defaults. A file whose port line is bad is kept as it
        // is (its language stays) until the mechanic confirms a port. Either way, ask.
        if (read.status == SettingsStatus::Missing) {
            writeSettings(file, Settings{});
        }
        LanguageCode = read.settings.languageCode;
        ComPortIndex = 0;
        m_comSelection = 0;
        m_languageSelection = LanguageCode == '2' ? 1 : 0;
        m_view.setListSelection("RGCom", 0);
        m_view.setListSelection("Language", m_languageSelection);
        for (const ControlText& caption : startCaptions()) {
            m_view.setCaption(caption.control, std::string(inLanguage(caption, LanguageCode)));
        }
        setState(2);
        return;
    }
    ComPortIndex = read.settings.comPortIndex;
    LanguageCode = read.settings.languageCode;
    // Should the stored port fail, the settings screen follows: it must offer the stored
    // language, or confirming a new port would silently switch a Turkish tester to English.
    m_languageSelection = LanguageCode == '2' ? 1 : 0;
    m_view.setListSelection("Language", m_languageSelection);
    for (const ControlText& caption : startCaptions()) {
        m_view.setCaption(caption.control, std::string(inLanguage(caption, LanguageCode)));
    }
    if (openPort(ComPortIndex)) {
        m_view.setPanelVisible("Frame21", true);
        m_view.setPanelVisible("Frame41", false);
        setState(5);
    } else {
        setState(4);
    }
}

void Session::stateSettingsScreen() {
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("BACK", false);
    m_view.setPanelVisible("Frame21", false);
    m_view.setPanelVisible("Frame41", true);
    show(ScreenId::SelectComAndLanguage);
    m_settledState = 2;
}

void Session::stateConfirmSettings() {
    if (m_comSelection < 0) {
        m_view.setControlEnabled("OK", false);
        setState(2);
        return;
    }
    if (!openPort(m_comSelection)) {
        setState(4);
        return;
    }
    Settings settings{m_comSelection, m_languageSelection == 1 ? '2' : '1'};
    if (writeSettings(settingsPath(m_dataDirectory), settings)) {
        // The language follows the list only when the file holds it, so what is shown and
        // what the next start reads never disagree.
        LanguageCode = settings.languageCode;
        ComPortIndex = settings.comPortIndex;
    } else {
        // A read-only or missing data folder: the port is used for this run, but the
        // mechanic must know that the choice was not kept and why the language stayed.
        show(ScreenId::SettingsNotSaved);
        pause(kStatusPauseMs);
    }
    setState(6);
}

void Session::statePortFailed() {
    show(ScreenId::PortInUse);
    pause(kStatusPauseMs);
    m_view.setControlEnabled("OK", false);
    m_comSelection = -1;
    m_view.setListSelection("RGCom", -1);
    setState(2);
}

void Session::stateCarType() {
    applyCaptions();
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::SelectCarType);
    m_view.setCaption("OK", "OK");
    m_view.setPanelVisible("Frame21", false);
    m_view.setPanelVisible("Frame41", false);
    m_view.setPanelVisible("Frame31", true);
    setState(7);
}

void Session::stateConnect() {
    m_view.setControlEnabled("DEMO", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::Connecting);
    m_view.repaint();
    if (m_portNeedsReopen && m_openPortIndex >= 0 && !openPort(m_openPortIndex)) {
        m_link.LineLost = true;
        return;
    }
    if (!m_link.ProbeInterface()) {
        setState(10);
        return;
    }
    setState(m_link.ProbeModules() ? 14 : 16);
}

void Session::stateConnectionFailed() {
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("DEMO", true);
    show(ScreenId::ConnectionFailed);
    pause(kStatusPauseMs);
    setState(11);
}

void Session::statePlugTheBox() {
    m_view.setControlEnabled("DEMO", false);
    m_link.DemoMode = false;
    hideFrames({"Frame31", "Frame131", "Frame81", "Frame41", "Frame61", "Frame71", "Frame91",
                "Frame101", "Frame111"});
    show(ScreenId::PlugTheBox);
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    for (std::string_view button : kModuleButtons) {
        m_view.setControlVisible(button, false);
    }
    for (std::string_view button : kFunctionButtons) {
        m_view.setControlVisible(button, false);
    }
    m_moduleDown = -1;
    m_view.setButtonDown("sahte");
    setState(12);
}

// The PCM start-up dialogue is the VIN read: it opens the PCM with the bytes of its
// protocol (0x14 0x10, or 0x1E 0x07 0xE0), waits for its answer and reads the
// identification number, and does nothing in demo mode.
void Session::stateEcuScan() {
    const bool found = m_link.ProbeModules();
    if (found) {
        m_requests.ReadVin();
        m_view.setControlEnabled("DEMO", false);
        m_view.setControlEnabled("OK", false);
        m_view.setControlEnabled("BACK", true);
        show(ScreenId::SelectEcu);
        for (int module = 0; module < 6; ++module) {
            m_view.setControlVisible(kModuleButtons[module], true);
            m_view.setControlEnabled(kModuleButtons[module],
                                     module < 5 && m_link.ModuleProtocol[module + 1] != 0);
        }
        for (std::string_view button : kFunctionButtons) {
            m_view.setControlVisible(button, true);
            m_view.setControlEnabled(button, false);
        }
        m_view.setPanelVisible("Frame91", false);
        m_view.setPanelVisible("Frame131", true);
        setState(15);
    } else {
        setState(16);
    }
    if (DieselSelected && m_dieselSelection >= 4 && m_dieselSelection <= 7) {
        m_view.setControlEnabled("ICU", true);
    }
    m_moduleDown = -1;
    m_view.setButtonDown("sahte");
    InjectorCode = blankInjectorCodes();
    m_injectorBlocksRead = false;
}

void Session::stateConnectionFailure() {
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("DEMO", true);
    show(ScreenId::ConnectionFailure);
    pause(kStatusPauseMs);
    setState(17);
}

}  // namespace tvx::session
