#include "session/session.h"

#include "session/live_poll.h"
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
    for (std::string_view gauge : page->blankGauges) {
        m_view.setGauge(gauge, "");
    }
    setState(page->pollState);
}

void Session::stateLivePoll() {
    const LivePage* page = livePageForState(SessionState);
    if (m_link.DemoMode) {
        m_view.repaint();  // the demo pause follows at once
    }
    pollLivePage(
        *page, m_requests, m_clock,
        [this](std::string_view gauge, const std::string& text) { m_view.setGauge(gauge, text); },
        [this] { return !lineLost() && !m_abort; });
}

}  // namespace tvx::session
