#include "session/session.h"

#include "datadir/settings.h"
#include "session/captions.h"
#include "session/session_controls.h"

namespace tvx::session {

using namespace controls;

// ---------------------------------------------------------------------------------------
// Start-up, settings and connection.

void Session::stateSplashToSettings() {
    setState(State::ReadSettings);
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
        setState(State::SettingsScreen);
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
        showOnlyFrame("Frame21");
        setState(State::StartPanel);
    } else {
        setState(State::PortFailed);
    }
}

void Session::stateSettingsScreen() {
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("BACK", false);
    showOnlyFrame("Frame41");
    show(ScreenId::SelectComAndLanguage);
    showPortList();
    m_settled = true;
}

void Session::stateConfirmSettings() {
    if (m_comSelection < 0) {
        m_view.setControlEnabled("OK", false);
        setState(State::SettingsScreen);
        return;
    }
    if (!openPort(m_comSelection)) {
        setState(State::PortFailed);
        return;
    }
    Settings settings{m_comSelection, m_languageSelection == 1 ? '2' : '1'};
    const bool saved = writeSettings(settingsPath(m_dataDirectory), settings);
    notify(&SessionEvents::settingsSaved,
           SettingsSaving{saved, settings.comPortIndex, settings.languageCode});
    if (saved) {
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
    setState(State::CarType);
}

void Session::statePortFailed() {
    show(ScreenId::PortInUse);
    pause(kStatusPauseMs);
    m_view.setControlEnabled("OK", false);
    m_comSelection = -1;
    m_view.setListSelection("RGCom", -1);
    setState(State::SettingsScreen);
}

void Session::stateCarType() {
    applyCaptions();
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::SelectCarType);
    m_view.setCaption("OK", "OK");
    showOnlyFrame("Frame31");
    setState(State::CarTypeWait);
}

void Session::stateConnect() {
    m_view.setControlEnabled("DEMO", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::Connecting);
    m_view.repaint();
    clearDiagnosis();
    if (m_portNeedsReopen && m_openPortIndex >= 0 && !openPort(m_openPortIndex)) {
        DoctorObservations refused = observedLine();  // the doctor says why it did not open
        refused.opened = false;
        refused.openError = m_link.port().lastOpenError();
        m_seen = refused;
        m_link.LineLost = true;
        return;
    }
    const bool boxAnswered = m_link.ProbeInterface();
    notify(&SessionEvents::boxProbed, BoxProbe{boxAnswered});
    if (!boxAnswered) {
        observePresence();
        setState(State::BoxSilent);
        return;
    }
    const bool carAnswered = m_link.ProbeModules();
    if (!carAnswered) {
        observeProbe();
        reportModuleProbe(false);
    }
    setState(carAnswered ? State::EcuScan : State::CarSilent);
}

void Session::showSilence(ScreenId screen, State next) {
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("DEMO", true);
    show(screen);
    pause(kStatusPauseMs);
    setState(next);
    publishDiagnosis();
}

void Session::stateConnectionFailed() {
    showSilence(ScreenId::ConnectionFailed, State::BoxSilentWait);
}

void Session::statePlugTheBox() {
    m_view.setControlEnabled("DEMO", false);
    m_link.DemoMode = false;
    clearDiagnosis();
    showOnlyFrame("");
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
    m_view.setButtonDown(kNoModuleButton);
    setState(State::PlugTheBoxWait);
}

// The PCM start-up dialogue is the VIN read: it opens the PCM with the bytes of its
// protocol (0x14 0x10, or 0x1E 0x07 0xE0), waits for its answer and reads the
// identification number, and does nothing in demo mode.
void Session::stateEcuScan() {
    const bool found = m_link.ProbeModules();
    reportModuleProbe(found);
    if (found) {
        const bool vinRead = m_requests.ReadVin();
        m_vin = vinRead ? m_requests.VinText : std::string();
        notify(&SessionEvents::vinRead, VinReading{vinRead, m_requests.VinText});
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
        showOnlyFrame("Frame131");
        setState(State::ModuleMenu);
    } else {
        observeProbe();
        setState(State::CarSilent);
    }
    if (offersInjectorUnit()) {
        m_view.setControlEnabled("ICU", true);
    }
    m_moduleDown = -1;
    m_view.setButtonDown(kNoModuleButton);
    InjectorCode = blankInjectorCodes();
    m_injectorBlocksRead = false;
}

bool Session::offersInjectorUnit() const {
    return DieselSelected && vehicleHasInjectorUnit(true, m_dieselSelection);
}

void Session::reportModuleProbe(bool carAnswered) {
    notify(&SessionEvents::modulesProbed,
           ModuleProbe{carAnswered, m_link.ModuleProtocol, offersInjectorUnit(), m_link.DemoMode,
                       m_link.ModuleAnsweredLate});
}

void Session::stateConnectionFailure() {
    showSilence(ScreenId::ConnectionFailure, State::CarSilentWait);
}

}  // namespace tvx::session
