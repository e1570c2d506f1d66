#pragma once

#include <QObject>
#include <cstdint>
#include <mutex>
#include <variant>
#include <vector>

#include "link/clock.h"
#include "session/session_events.h"
#include "trend/reading.h"

namespace tvx::ui {

// Where live readings go on the GUI thread (the chart, the gauges' stale marks).
class LiveSink {
public:
    virtual ~LiveSink() = default;
    virtual void livePageStarted(const session::LivePage& page, bool demo) = 0;
    virtual void liveReading(const trend::Reading& reading) = 0;
    virtual void liveLineLost(std::uint64_t timeMs) = 0;
    // Fast mode began or changed (`paused`: the gauges not polled), or ended (`whole`).
    virtual void liveFocusChanged(bool whole, const std::vector<session::Gauge>& paused) {
        (void)whole;
        (void)paused;
    }
    // The end of a batch: whatever came is in, draw it.
    virtual void liveBatchDone() = 0;
};

// Carries the session's live-data events from its worker to the GUI thread, cheaply: the
// worker only appends to a list under a lock; one posted call takes the whole list across,
// however many readings came meanwhile, so the worker never waits for the window and the
// window is never flooded.
class LiveTap final : public QObject, public session::SessionEvents {
    Q_OBJECT

public:
    // `clock` is the session's, which times a lost line.
    LiveTap(LiveSink& sink, const link::Clock& clock, QObject* parent = nullptr);

    // Worker thread.
    void livePageStarted(const session::LivePageStart& event) override;
    void liveReading(const session::LiveReading& event) override;
    void liveCycleEnded(const session::LiveCycle& event) override;
    void lineLost() override;
    void liveFocusChanged(const session::LiveFocusChange& event) override;

    // GUI thread: hands every waiting event to the sink now.
    void flush();
    std::size_t pending() const;

private:
    struct PageStart {
        const session::LivePage* page;
        bool demo;
    };
    struct LineLost {
        std::uint64_t timeMs;
    };
    struct Focus {
        bool whole;
        std::vector<session::Gauge> paused;
    };
    using Event = std::variant<PageStart, trend::Reading, LineLost, Focus>;
    void push(Event event);

    LiveSink& m_sink;
    const link::Clock& m_clock;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    bool m_flushPosted = false;
    std::uint32_t m_cycle = 0;  // worker thread
};

}  // namespace tvx::ui
