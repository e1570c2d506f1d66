#include "session/session.h"

#include "session/captions.h"
#include "session/port_hint.h"
#include "session/session_controls.h"

namespace tvx::session {

using namespace controls;

Session::Session(link::Link& link, link::Requests& requests, link::Clock& clock, SessionView& view,
                 std::filesystem::path dataDirectory)
    : m_link(link),
      m_requests(requests),
      m_clock(clock),
      m_view(view),
      m_dataDirectory(std::move(dataDirectory)) {
    m_link.DemoMode = false;
}

// ---------------------------------------------------------------------------------------
// The state table: which action runs on a tick of each state. States without a row wait.

const Session::StateRow* Session::findState(int state) {
    static const StateRow kStates[] = {
        {0, 0, &Session::stateSplashToSettings},
        {1, 1, &Session::stateReadSettings},
        {2, 2, &Session::stateSettingsScreen},
        {3, 3, &Session::stateConfirmSettings},
        {4, 4, &Session::statePortFailed},
        {6, 6, &Session::stateCarType},
        {8, 8, &Session::stateConnect},
        {10, 10, &Session::stateConnectionFailed},
        {13, 13, &Session::statePlugTheBox},
        {14, 14, &Session::stateEcuScan},
        {16, 16, &Session::stateConnectionFailure},
        {20, 21, &Session::stateLiveDispatch},
        {28, 28, &Session::stateLiveEntry},
        {29, 29, &Session::stateLivePoll},
        {50, 50, &Session::stateLiveEntry},
        {51, 51, &Session::stateLivePoll},
        {53, 53, &Session::stateLiveEntry},
        {54, 54, &Session::stateLivePoll},
        {55, 55, &Session::stateLiveEntry},
        {56, 56, &Session::stateLivePoll},
        {57, 57, &Session::stateLiveEntry},
        {58, 58, &Session::stateLivePoll},
        {59, 59, &Session::stateLiveEntry},
        {60, 60, &Session::stateLivePoll},
        {70, 70, &Session::stateLiveEntry},
        {71, 71, &Session::stateLivePoll},
        {73, 73, &Session::stateLiveEntry},
        {74, 74, &Session::stateLivePoll},
        {75, 75, &Session::stateLiveEntry},
        {76, 76, &Session::stateLivePoll},
        {77, 77, &Session::stateLiveEntry},
        {78, 78, &Session::stateLivePoll},
        {100, 104, &Session::stateReadDtc},
        {109, 109, &Session::stateListDtc},
        {110, 114, &Session::stateClearDtc},
        {121, 121, &Session::stateReadInjectors},
        {122, 122, &Session::stateOfferProgramming},
        {142, 142, &Session::stateIgnitionOff},
        {144, 144, &Session::stateWaitCountdown},
        {145, 145, &Session::stateIgnitionOn},
        {147, 147, &Session::stateWaitCountdown},
        {148, 148, &Session::stateEntryScreen},
        {150, 150, &Session::stateAreYouSure},
        {152, 152, &Session::stateProgram},
        {153, 153, &Session::stateIgnitionOff},
        {155, 155, &Session::stateWaitCountdown},
        {156, 156, &Session::stateIgnitionOn},
        {158, 158, &Session::stateWaitCountdown},
        {159, 159, &Session::stateFinished},
        {161, 161, &Session::stateWaitCountdown},
    };
    for (const StateRow& row : kStates) {
        if (state >= row.first && state <= row.last) {
            return &row;
        }
    }
    return nullptr;
}

void Session::step() {
    const StateRow* row = findState(SessionState);
    if (row == nullptr) {
        return;
    }
    (this->*row->action)();
    if (lineLost()) {
        showLineLost();
    }
}

bool Session::isWaiting() const {
    return findState(SessionState) == nullptr || m_settledState == SessionState;
}

// ---------------------------------------------------------------------------------------
// Helpers.

void Session::setState(int state) {
    SessionState = static_cast<std::int16_t>(state);
    m_settledState = -1;
}

void Session::setColour(std::uint32_t colour) {
    m_view.setDisplayColour(colour);
}

void Session::showLine(int line, const std::string& text) {
    m_lines[line - 1] = text;
    m_view.setLine(line, text);
}

void Session::show(ScreenId id) {
    const Screen& s = screen(id);
    if (s.colour) {
        setColour(*s.colour);
    }
    const auto& lines = screenLines(s, LanguageCode);
    for (int line = 1; line <= 4; ++line) {
        if (lines[line - 1] != nullptr) {
            showLine(line, lines[line - 1]);
        }
    }
}

void Session::pause(unsigned ms) {
    m_view.repaint();
    m_clock.sleepMs(ms);
}

void Session::hideFrames(std::initializer_list<std::string_view> frames) {
    for (std::string_view frame : frames) {
        m_view.setPanelVisible(frame, false);
    }
}

void Session::saveScreen() {
    SavedScreen = m_lines;
}

void Session::restoreSavedScreen() {
    for (int line = 1; line <= 4; ++line) {
        showLine(line, SavedScreen[line - 1]);
    }
}

void Session::applyCaptions() {
    for (auto table : {captions(), gaugeCaptions()}) {
        for (const ControlText& caption : table) {
            m_view.setCaption(caption.control, std::string(inLanguage(caption, LanguageCode)));
        }
    }
    for (const ControlText& hint : hints()) {
        m_view.setHint(hint.control, std::string(inLanguage(hint, LanguageCode)));
    }
}

bool Session::openPort(int index) {
    if (m_link.port().isOpen()) {
        m_link.ClosePort();
    }
    bool opened = m_link.OpenPort(index);
    // The screen says "in use or not exist"; the port list's hint says which, and what to do.
    m_view.setHint("RGCom", opened ? std::string()
                                   : portOpenHint(m_link.port().lastOpenError(), LanguageCode));
    if (opened) {
        m_openPortIndex = index;
        m_portNeedsReopen = false;
    }
    return opened;
}

// A port that failed under the session (box unplugged, device gone) is reported once; the
// mechanic is told what to do and the port is opened again on the next connection.
bool Session::lineLost() {
    return m_link.LineLost && !m_link.DemoMode;
}

void Session::showLineLost() {
    m_link.LineLost = false;
    m_portNeedsReopen = true;
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("OK", false);
    show(ScreenId::LineLost);
    m_view.repaint();
    setState(17);  // BACK leads to the prompt to plug the box in
}

void Session::showFailure(ScreenId id, int nextState) {
    show(id);
    pause(kDtcPauseMs);
    setColour(kGreen);
    restoreSavedScreen();
    setState(nextState);
}

int Session::moduleNumber() const {
    if (m_moduleDown < 0 || m_moduleDown > static_cast<int>(Module::Cluster)) {
        return 0;
    }
    return m_moduleDown + 1;
}

}  // namespace tvx::session
