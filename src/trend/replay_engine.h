#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "session/live_pages.h"
#include "trend/replay_source.h"

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
// It holds one cycle of the recording, the one the next reading comes from; going back reads
// the recording again from the point the chart's window begins.
class ReplayEngine {
public:
    static constexpr double kSpeeds[] = {1, 2, 4, 8, 16};
    // The speeds a replay takes (the command line refuses others).
    static constexpr double kSlowest = 0.1;
    static constexpr double kFastest = 100;
    // What a seek replays before the point sought: the longest window of the chart, so the
    // gauges and the chart show what they would have shown had the replay run up to it.
    static constexpr std::uint64_t kLeadInMs = 10 * 60 * 1000;

    ReplayEngine(ReplaySource& recording, ReplaySink& sink);

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
    // Also when the recording could no longer be read (error() says why).
    bool atEnd() const;
    // The number of the cycle shown last, counted from the recording's first (0 before any).
    std::uint32_t cycle() const;
    // Why the replay stopped short of the end (the file was cut while it was replayed); empty
    // while it reads. A seek reads again.
    const std::string& error() const { return m_error; }

private:
    // Tells the sink the page begins afresh and goes back to the readings that lead up to
    // m_position.
    void startLeadIn();
    // Goes to the first reading of the cycle at or after the time.
    void goTo(std::uint32_t cycle, std::uint64_t fromMs);
    // The next reading to deliver (reading its cycle when it must); nullptr at the end.
    const Reading* next();
    // The cycle the reading before the next one belongs to; false before the first.
    bool previousCycle(std::uint32_t& cycle) const;
    void deliverUpTo(std::uint64_t positionMs);
    void deliver();

    ReplaySource& m_recording;
    ReplaySink& m_sink;
    // The cycle m_nextCycle - 1 (empty before it is read); its first m_taken readings are shown.
    std::vector<Reading> m_held;
    std::size_t m_taken = 0;
    std::uint32_t m_nextCycle = 0;
    std::string m_error;
    std::uint64_t m_position = 0;
    double m_speed = 1;
    bool m_playing = false;
};

}  // namespace tvx::trend
