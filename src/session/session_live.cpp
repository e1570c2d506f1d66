#include "session/session.h"

#include "session/live_poll.h"
#include "session/session_controls.h"

namespace tvx::session {

using namespace controls;

// ---------------------------------------------------------------------------------------
// Live data.

void Session::stateLiveDispatch() {
    const LivePage* page = livePageForModel(SessionState == State::LiveDiesel, m_modelIndex);
    if (page == nullptr) {
        m_settled = true;  // no vehicle chosen: nothing to show
        return;
    }
    setState(page->entryState);
}

void Session::stateLiveEntry(const LivePage& page) {
    showOnlyFrame(page.frame);
    for (const PanelVisibility& panel : page.panels) {
        m_view.setPanelVisible(panel.panel, panel.visible);
    }
    for (const Gauge gauge : page.blankGauges) {
        m_view.setGauge(gaugeName(gauge), "");
    }
    m_pollCursor = 0;
    notify(&SessionEvents::livePageStarted, LivePageStart{&page, m_link.DemoMode});
    setState(page.pollState);
}

// One pass over the page, or the rest of a pass that paused for an operator's command: the
// reads go out in the page's order whatever the operator clicks meanwhile.
void Session::stateLivePoll(const LivePage& page) {
    if (m_pollCursor == 0 && m_link.DemoMode) {
        m_view.repaint();  // the demo pause follows at once
    }
    const LivePoll poll = pollLivePage(
        page, m_requests, m_clock, m_pollCursor,
        [this, &page](const LiveValue& value) {
            for (const LiveShown& shown : value.shown) {
                if (!value.failed) {
                    m_view.setGauge(gaugeName(shown.gauge), shown.text);
                }
                notify(&SessionEvents::liveReading,
                       LiveReading{page.pollState, value.read->kind, value.read->decoder,
                                   value.identifier, shown.gauge, value.failed ? "" : shown.text,
                                   value.failed ? 0.0 : shown.value, value.failed, value.timeMs,
                                   m_link.DemoMode});
            }
        },
        [this] { return !lineLost() && !m_abort && !m_yield; }, m_focus);
    m_pollCursor = poll.next;
    if (poll.next == 0 || lineLost() || m_abort) {
        // A pass ends when the page is read through, or for good when the line is lost or
        // the program closes; one paused for a command goes on at the next tick.
        m_pollCursor = 0;
        notify(&SessionEvents::liveCycleEnded,
               LiveCycle{page.pollState, poll.complete, m_clock.nowMs()});
    }
}

}  // namespace tvx::session

namespace tvx::session {

bool Session::focusLive(const std::vector<Gauge>& gauges) {
    const LivePage* page = livePageForState(SessionState);
    if (page == nullptr || SessionState != page->pollState) {
        return false;
    }
    if (gauges.empty()) {
        setFocus(*page, LiveFocus{});
        return true;
    }
    std::optional<LiveFocus> focus = LiveFocus::onGauges(*page, gauges);
    if (!focus) {
        return false;
    }
    setFocus(*page, std::move(*focus));
    return true;
}

void Session::setFocus(const LivePage& page, LiveFocus focus) {
    if (focus == m_focus) {
        return;
    }
    if (m_pollCursor != 0) {
        // A pass under the old choice ends here; the new one begins with the page's first read.
        m_pollCursor = 0;
        notify(&SessionEvents::liveCycleEnded, LiveCycle{page.pollState, false, m_clock.nowMs()});
    }
    m_focus = std::move(focus);
    m_focusPage = m_focus.whole() ? nullptr : &page;
    notify(&SessionEvents::liveFocusChanged,
           LiveFocusChange{page.pollState, m_focus.whole(), m_focus.polledGauges(page),
                           m_focus.pausedGauges(page)});
}

}  // namespace tvx::session
