#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "session/session_events.h"
#include "trend/reading.h"
#include "trend/recording_store.h"

namespace tvx::trend {

// Records the live-data page being polled: every reading with its time, cycle by cycle,
// into a RecordingStore. It listens to the session's events (on the session's thread);
// start() and stop() may come from another thread.
//
// It is the one recorder of a program: its cycles, with times from its one origin (the
// first reading of the first whole cycle), are what the recording file, the workshop record
// (a witness of the store) and the window's counter all hold.
//
// A recording begins with the next whole polling cycle and holds one page, or in fast mode
// the values polled. It ends with stop(), when the line is lost (after a cycle in which
// every value failed, at the time the loss was told), when another page starts or when other
// values are polled. Demonstration values are never recorded:
// a replay of them could be taken for a car's.
class LiveRecorder final : public session::SessionEvents {
public:
    // `clock` is the session's: it times a lost line.
    LiveRecorder(RecordingStore& store, const link::Clock& clock);
    ~LiveRecorder() override;

    // Records the page being polled, or `page` when given (a tester that has just started it,
    // with the values it polls: `gauges`, or all when empty).
    // False with `error` set when there is no page, it shows demonstration values, or the
    // store cannot begin a recording.
    bool start(std::string& error, const session::LivePage* page = nullptr,
               std::vector<Gauge> gauges = {});

    enum class EndReason { Stopped, LineLost, PageChanged, ValuesChanged };
    // The cycles written so far and the time of the last one (its first reading's, the time
    // the recording file gives a cycle), from the origin.
    struct Progress {
        std::size_t cycles = 0;
        std::uint64_t durationMs = 0;
    };
    struct Ended {
        std::string id;  // for RecordingStore::readLiveRecording
        std::size_t cycles = 0;
        std::uint64_t durationMs = 0;  // as Progress
        bool kept = true;              // false: the store could not keep it whole
        std::string error;             // why not
        EndReason reason = EndReason::Stopped;
    };
    // Ends the recording in progress; nullopt when none was.
    std::optional<Ended> stop();

    bool recording() const;
    // Of the recording in progress (or the last one, once it ended).
    Progress progress() const;
    // The recording in progress could not write a cycle (the disk is full).
    bool writeFailed() const;
    // The last recording that ended, however it ended.
    std::optional<Ended> lastEnded() const;
    // The page being polled (or polled last), nullptr before any.
    const session::LivePage* page() const;

    void livePageStarted(const session::LivePageStart& event) override;
    void liveReading(const session::LiveReading& event) override;
    void liveCycleEnded(const session::LiveCycle& event) override;
    void liveFocusChanged(const session::LiveFocusChange& event) override;
    void lineLost() override;

private:
    void flushCycleLocked();
    void endLocked(EndReason reason);

    RecordingStore& m_store;
    const link::Clock& m_clock;
    mutable std::mutex m_mutex;
    const session::LivePage* m_page = nullptr;
    bool m_demo = false;
    std::vector<Gauge> m_gauges;  // the values polled (fast mode); empty: all
    bool m_midCycle = false;      // readings of the page's current pass came in already
    std::unique_ptr<RecordingWriter> m_writer;
    bool m_collecting = false;  // the recording's first whole cycle has begun
    std::optional<std::uint64_t> m_originMs;
    std::uint32_t m_cycleNumber = 0;
    std::uint64_t m_lastMs = 0;  // the last reading written, from the origin
    std::vector<Reading> m_cycle;
    std::optional<Ended> m_lastEnded;
};

}  // namespace tvx::trend
