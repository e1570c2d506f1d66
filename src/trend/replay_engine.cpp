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
    m_speed = std::clamp(factor, 0.1, 100.0);
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
    // The last reading of the cycle before: seek shows every reading up to it.
    const auto& readings = m_recording.readings;
    std::size_t i = m_next;
    while (i > 0 && readings[i - 1].cycle >= shown) {
        --i;
    }
    seek(i > 0 ? readings[i - 1].timeMs : 0);
}

void ReplayEngine::seek(std::uint64_t positionMs) {
    const auto& readings = m_recording.readings;
    m_position = std::min(positionMs, duration());
    if (m_recording.page != nullptr) {
        m_sink.replayStarted(*m_recording.page);
    }
    const std::uint64_t leadIn = m_position > kLeadInMs ? m_position - kLeadInMs : 0;
    m_next = static_cast<std::size_t>(
        std::lower_bound(readings.begin(), readings.end(), leadIn,
                         [](const Reading& r, std::uint64_t t) { return r.timeMs < t; }) -
        readings.begin());
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
