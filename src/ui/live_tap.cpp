#include "ui/live_tap.h"

namespace tvx::ui {

LiveTap::LiveTap(LiveSink& sink, const link::Clock& clock, QObject* parent)
    : QObject(parent), m_sink(sink), m_clock(clock) {}

void LiveTap::livePageStarted(const session::LivePageStart& event) {
    if (event.page != nullptr)
        push(PageStart{event.page, event.demo});
}

void LiveTap::liveReading(const session::LiveReading& event) {
    push(trend::readingOf(event, m_cycle));
}

void LiveTap::liveCycleEnded(const session::LiveCycle&) {
    ++m_cycle;
}

void LiveTap::lineLost() {
    push(LineLost{m_clock.nowMs()});
}

void LiveTap::liveFocusChanged(const session::LiveFocusChange& event) {
    push(Focus{event.whole, event.paused});
}

void LiveTap::push(Event event) {
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
        post = !m_flushPosted;
        m_flushPosted = true;
    }
    // Posted to this object: pending calls die with it.
    if (post)
        QMetaObject::invokeMethod(this, &LiveTap::flush, Qt::QueuedConnection);
}

void LiveTap::flush() {
    std::vector<Event> events;
    {
        std::lock_guard lock(m_mutex);
        events.swap(m_events);
        m_flushPosted = false;
    }
    if (events.empty())
        return;
    for (const Event& event : events) {
        if (const auto* start = std::get_if<PageStart>(&event))
            m_sink.livePageStarted(*start->page, start->demo);
        else if (const auto* reading = std::get_if<trend::Reading>(&event))
            m_sink.liveReading(*reading);
        else if (const auto* lost = std::get_if<LineLost>(&event))
            m_sink.liveLineLost(lost->timeMs);
        else if (const auto* focus = std::get_if<Focus>(&event))
            m_sink.liveFocusChanged(focus->whole, focus->paused);
    }
    m_sink.liveBatchDone();
}

std::size_t LiveTap::pending() const {
    std::lock_guard lock(m_mutex);
    return m_events.size();
}

}  // namespace tvx::ui
