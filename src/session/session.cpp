#include <utility>

#include "session/session.h"

#include "doctor/port_hint.h"
#include "session/captions.h"
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

ProgrammingGuard* Session::setProgrammingGuard(ProgrammingGuard* guard) {
    return std::exchange(m_guard, guard);
}

// ---------------------------------------------------------------------------------------
// The state table: which action runs on a tick of each state. States without a row wait.

const Session::StateRow* Session::findState(State state) {
    // The live pages' entry and polling states are not listed: the page table holds them.
    static const StateRow kStates[] = {
        {State::Start, State::Start, &Session::stateSplashToSettings},
        {State::ReadSettings, State::ReadSettings, &Session::stateReadSettings},
        {State::SettingsScreen, State::SettingsScreen, &Session::stateSettingsScreen},
        {State::ConfirmSettings, State::ConfirmSettings, &Session::stateConfirmSettings},
        {State::PortFailed, State::PortFailed, &Session::statePortFailed},
        {State::CarType, State::CarType, &Session::stateCarType},
        {State::Connect, State::Connect, &Session::stateConnect},
        {State::BoxSilent, State::BoxSilent, &Session::stateConnectionFailed},
        {State::PlugTheBox, State::PlugTheBox, &Session::statePlugTheBox},
        {State::EcuScan, State::EcuScan, &Session::stateEcuScan},
        {State::CarSilent, State::CarSilent, &Session::stateConnectionFailure},
        {State::LivePetrol, State::LiveDiesel, &Session::stateLiveDispatch},
        {State::ReadDtcPcm, State::ReadDtcCluster, &Session::stateReadDtc},
        {State::ListDtc, State::ListDtc, &Session::stateListDtc},
        {State::ClearDtcPcm, State::ClearDtcCluster, &Session::stateClearDtc},
        {State::ReadInjectors, State::ReadInjectors, &Session::stateReadInjectors},
        {State::OfferProgramming, State::OfferProgramming, &Session::stateOfferProgramming},
        {State::IgnitionOff, State::IgnitionOff, &Session::stateIgnitionOff},
        {State::PleaseWaitOff, State::PleaseWaitOff, &Session::stateWaitCountdown},
        {State::IgnitionOn, State::IgnitionOn, &Session::stateIgnitionOn},
        {State::PleaseWaitOn, State::PleaseWaitOn, &Session::stateWaitCountdown},
        {State::EntryScreen, State::EntryScreen, &Session::stateEntryScreen},
        {State::AreYouSure, State::AreYouSure, &Session::stateAreYouSure},
        {State::Program, State::Program, &Session::stateProgram},
        {State::IgnitionOffAfter, State::IgnitionOffAfter, &Session::stateIgnitionOff},
        {State::PleaseWaitOffAfter, State::PleaseWaitOffAfter, &Session::stateWaitCountdown},
        {State::IgnitionOnAfter, State::IgnitionOnAfter, &Session::stateIgnitionOn},
        {State::PleaseWaitOnAfter, State::PleaseWaitOnAfter, &Session::stateWaitCountdown},
        {State::Finished, State::Finished, &Session::stateFinished},
        {State::PleaseWaitAfterWrite, State::PleaseWaitAfterWrite, &Session::stateWaitCountdown},
    };
    for (const StateRow& row : kStates) {
        if (inRange(state, row.first, row.last)) {
            return &row;
        }
    }
    return nullptr;
}

bool Session::hasAction(State state) {
    return findState(state) != nullptr || livePageForState(state) != nullptr;
}

void Session::step() {
    if (const LivePage* page = livePageForState(SessionState)) {
        if (page->entryState == SessionState) {
            stateLiveEntry(*page);
        } else {
            stateLivePoll(*page);
        }
    } else if (const StateRow* row = findState(SessionState)) {
        (this->*row->action)();
    } else {
        return;
    }
    if (lineLost()) {
        showLineLost();
    }
}

bool Session::isWaiting() const {
    return !hasAction(SessionState) || m_settled;
}

void Session::addListener(SessionEvents& listener) {
    m_listeners.push_back(&listener);
}

void Session::removeListener(SessionEvents& listener) {
    std::erase(m_listeners, &listener);
}

// ---------------------------------------------------------------------------------------
// Helpers.

void Session::setState(State state) {
    if (m_pollCursor != 0 && state != SessionState) {
        // The operator left a live page in the middle of a pass.
        m_pollCursor = 0;
        notify(&SessionEvents::liveCycleEnded, LiveCycle{SessionState, false, m_clock.nowMs()});
    }
    if (m_focusPage != nullptr && state != m_focusPage->pollState) {
        setFocus(*m_focusPage, LiveFocus{});  // the page left: it is polled whole next time
    }
    SessionState = state;
    m_settled = false;
}

void Session::showOnlyFrame(std::string_view frame) {
    m_frameShown = frame;
    m_view.showOnlyFrame(frame);
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
    notify(&SessionEvents::portOpened, PortOpening{index, opened});
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

void Session::emitLineLost() {
    for (SessionEvents* listener : m_listeners) {
        listener->lineLost();
    }
}

void Session::showLineLost() {
    m_link.LineLost = false;
    emitLineLost();
    m_portNeedsReopen = true;
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("OK", false);
    show(ScreenId::LineLost);
    m_view.repaint();
    setState(State::CarSilentWait);  // BACK leads to the prompt to plug the box in
    if (!m_seen) {
        observeLineLost();
    }
    publishDiagnosis();
}

void Session::prompt(Prompt::Kind kind) {
    notify(&SessionEvents::prompted, Prompt{kind, m_lines});
}

void Session::showFailure(ScreenId id, State nextState) {
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
