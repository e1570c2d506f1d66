#include "session/session.h"

#include "session/session_controls.h"

namespace tvx::session {

using namespace controls;

// ---------------------------------------------------------------------------------------
// Live data.

void Session::stateLiveDispatch() {
    const LivePage* page = livePageForModel(SessionState == 21, m_modelIndex);
    if (page == nullptr) {
        m_settledState = SessionState;  // no vehicle chosen: nothing to show
        return;
    }
    setState(page->entryState);
}

void Session::stateLiveEntry() {
    const LivePage* page = livePageForState(SessionState);
    for (std::string_view frame : kDataFrames) {
        if (frame != page->frame) {
            m_view.setPanelVisible(frame, false);
        }
    }
    m_view.setPanelVisible(page->frame, true);
    for (const PanelVisibility& panel : page->panels) {
        m_view.setPanelVisible(panel.panel, panel.visible);
    }
    setState(page->pollState);
}

bool Session::runPollRead(const LiveRead& read) {
    switch (read.kind) {
        case LiveRead::Kind::Decode:
            m_requests.Decode(read.decoder);
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge(read.gauge, m_requests.ValueText);
            }
            break;
        case LiveRead::Kind::SwitchStates:
            m_requests.ReadSwitchStates();
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge("cppd", std::string(clutchText(m_requests.StatusFlags)));
                m_view.setGauge("bppd", std::string(brakeText(m_requests.StatusFlags)));
                m_view.setGauge("klimad", std::string(aircoText(m_requests.StatusFlags)));
            }
            break;
        case LiveRead::Kind::Odometer:
            m_requests.ReadOdometer();
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge(read.gauge, m_requests.ValueText);
            }
            break;
    }
    return !lineLost() && !m_abort;
}

void Session::stateLivePoll() {
    const LivePage* page = livePageForState(SessionState);
    if (m_link.DemoMode) {
        pause(page->demoPauseMs);
    }
    for (const LiveRead& read : page->reads) {
        if (page->pauseBeforeEachMs != 0) {
            m_clock.sleepMs(page->pauseBeforeEachMs);
        }
        if (!runPollRead(read)) {
            return;
        }
    }
}

}  // namespace tvx::session
