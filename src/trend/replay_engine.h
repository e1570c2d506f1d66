#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "session/live_pages.h"
#include "trend/live_recording.h"

namespace tvx::trend {

// Where a replay's readings go: the gauges, their stale marks and the chart, exactly as
// live readings do. A replay never touches the line.
class ReplaySink {
public:
    virtual ~ReplaySink() = default;
    // The page begins afresh: at the start, and before the readings that lead up to a seek.
    virtual void replayStarted(const session::LivePage& page) = 0;
    virtual void replayReading(const Reading& reading) = 0;
    // The replay's clock moved (in ms from the recording's start), with or without readings.
    virtual void replayMoved(std::uint64_t positionMs) = 0;
};

// Plays a recording back into a sink: at its own pace times a speed, a cycle at a time, or
// from any point. It owns no timer: advance() is called with the wall time that passed.
class ReplayEngine {
public:
    static constexpr double kSpeeds[] = {1, 2, 4, 8, 16};
    // The speeds a replay takes (the command line refuses others).
    static constexpr double kSlowest = 0.1;
    static constexpr double kFastest = 100;
    // What a seek replays before the point sought: the longest window of the chart, so the
    // gauges and the chart show what they would have shown had the replay run up to it.
    static constexpr std::uint64_t kLeadInMs = 10 * 60 * 1000;

    ReplayEngine(const LiveRecording& recording, ReplaySink& sink);

    // Starts the page and shows the first cycle whole; the replay is paused.
    void begin();
    void play();  // at the end: from the start again
    void pause();
    bool playing() const { return m_playing; }
    // Clamped to kSlowest..kFastest; a speed that is no number plays at 1.
    void setSpeed(double factor);
    double speed() const { return m_speed; }
    // The next speed of kSpeeds, after the fastest the slowest.
    void nextSpeed();

    // Moves on by the wall time passed times the speed, when playing. Stops at the end.
    void advance(std::uint64_t elapsedMs);
    // Pauses and shows the next cycle whole.
    void step();
    // Pauses and shows the cycle before the one shown last.
    void stepBack();
    // Shows the recording as it stood at the position (clamped to its length).
    void seek(std::uint64_t positionMs);

    std::uint64_t position() const { return m_position; }
    std::uint64_t duration() const { return m_recording.durationMs(); }
    bool atEnd() const { return m_next >= m_recording.readings.size(); }
    // The number of the cycle shown last (0 before any).
    std::uint32_t cycle() const;

private:
    // Tells the sink the page begins afresh and goes back to the readings that lead up to
    // m_position.
    void startLeadIn();
    void deliverUpTo(std::uint64_t positionMs);
    void deliver(std::size_t index);

    const LiveRecording& m_recording;
    ReplaySink& m_sink;
    std::size_t m_next = 0;  // the next reading to deliver
    std::uint64_t m_position = 0;
    double m_speed = 1;
    bool m_playing = false;
};

}  // namespace tvx::trend
