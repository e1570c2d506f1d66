#include "trend/replay_engine.h"

#include <algorithm>
#include <cmath>

namespace tvx::trend {

ReplayEngine::ReplayEngine(const LiveRecording& recording, ReplaySink& sink)
    : m_recording(recording), m_sink(sink) {}

void ReplayEngine::begin() {
    m_playing = false;
    seek(0);
    if (m_next == 0 || (!atEnd() && m_recording.readings[m_next].cycle == cycle())) {
        step();  // the first cycle whole
    }
}

void ReplayEngine::play() {
    if (atEnd()) {
        seek(0);
    }
    m_playing = true;
}

void ReplayEngine::pause() {
    m_playing = false;
}

void ReplayEngine::setSpeed(double factor) {
    m_speed = std::isfinite(factor) ? std::clamp(factor, kSlowest, kFastest) : 1.0;
}

void ReplayEngine::nextSpeed() {
    for (const double speed : kSpeeds) {
        if (speed > m_speed + 1e-9) {
            m_speed = speed;
            return;
        }
    }
    m_speed = kSpeeds[0];
}

void ReplayEngine::advance(std::uint64_t elapsedMs) {
    if (!m_playing) {
        return;
    }
    const auto moved =
        static_cast<std::uint64_t>(std::llround(static_cast<double>(elapsedMs) * m_speed));
    const std::uint64_t target = std::min(m_position + moved, duration());
    deliverUpTo(target);
    m_position = target;
    m_sink.replayMoved(m_position);
    if (atEnd()) {
        m_playing = false;
    }
}

void ReplayEngine::step() {
    m_playing = false;
    if (atEnd()) {
        return;
    }
    const std::uint32_t cycle = m_recording.readings[m_next].cycle;
    while (!atEnd() && m_recording.readings[m_next].cycle == cycle) {
        deliver(m_next);
    }
    m_position = m_recording.readings[m_next - 1].timeMs;
    m_sink.replayMoved(m_position);
}

void ReplayEngine::stepBack() {
    m_playing = false;
    const std::uint32_t shown = cycle();
    if (shown == 0) {
        seek(0);
        return;
    }
    // Up to the last reading of the cycle before, by its place: the cycle shown may have
    // the same time, and must not be shown again.
    const auto& readings = m_recording.readings;
    std::size_t end = m_next;
    while (end > 0 && readings[end - 1].cycle >= shown) {
        --end;
    }
    if (end == 0) {
        seek(0);
        return;
    }
    m_position = readings[end - 1].timeMs;
    startLeadIn();
    while (m_next < end) {
        deliver(m_next);
    }
    m_sink.replayMoved(m_position);
}

void ReplayEngine::startLeadIn() {
    const auto& readings = m_recording.readings;
    if (m_recording.page != nullptr) {
        m_sink.replayStarted(*m_recording.page);
    }
    const std::uint64_t leadIn = m_position > kLeadInMs ? m_position - kLeadInMs : 0;
    m_next = static_cast<std::size_t>(
        std::lower_bound(readings.begin(), readings.end(), leadIn,
                         [](const Reading& r, std::uint64_t t) { return r.timeMs < t; }) -
        readings.begin());
}

void ReplayEngine::seek(std::uint64_t positionMs) {
    m_position = std::min(positionMs, duration());
    startLeadIn();
    deliverUpTo(m_position);
    m_sink.replayMoved(m_position);
}

std::uint32_t ReplayEngine::cycle() const {
    return m_next == 0 ? 0 : m_recording.readings[m_next - 1].cycle;
}

void ReplayEngine::deliverUpTo(std::uint64_t positionMs) {
    while (!atEnd() && m_recording.readings[m_next].timeMs <= positionMs) {
        deliver(m_next);
    }
}

void ReplayEngine::deliver(std::size_t index) {
    m_sink.replayReading(m_recording.readings[index]);
    m_next = index + 1;
}

}  // namespace tvx::trend
