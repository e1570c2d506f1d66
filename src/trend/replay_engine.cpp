#include "trend/replay_engine.h"

#include <algorithm>
#include <cmath>

namespace tvx::trend {

ReplayEngine::ReplayEngine(ReplaySource& recording, ReplaySink& sink)
    : m_recording(recording), m_sink(sink) {}

void ReplayEngine::begin() {
    m_playing = false;
    seek(0);
    std::uint32_t shown = 0;
    if (!previousCycle(shown) || (next() != nullptr && m_taken > 0)) {
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
    if (next() == nullptr) {
        return;
    }
    while (m_taken < m_held.size()) {
        deliver();
    }
    m_position = m_held.back().timeMs;
    m_sink.replayMoved(m_position);
}

void ReplayEngine::stepBack() {
    m_playing = false;
    std::uint32_t shown = 0;
    if (!previousCycle(shown) || shown == 0) {
        seek(0);
        return;
    }
    // Up to the last reading of the cycle before, by its number: the cycle shown may have
    // the same time, and must not be shown again.
    const std::uint32_t before = shown - 1;
    m_taken = 0;
    if (!m_recording.read(before, m_held)) {
        m_held.clear();
        m_nextCycle = before;
        m_error = m_recording.error();
        m_sink.replayMoved(m_position);
        return;
    }
    m_position = m_held.back().timeMs;
    startLeadIn();
    while (next() != nullptr && m_nextCycle - 1 <= before) {
        deliver();
    }
    m_sink.replayMoved(m_position);
}

void ReplayEngine::startLeadIn() {
    if (m_recording.page() != nullptr) {
        m_sink.replayStarted(*m_recording.page());
    }
    const std::uint64_t leadIn = m_position > kLeadInMs ? m_position - kLeadInMs : 0;
    goTo(m_recording.cycleFrom(leadIn), leadIn);
}

void ReplayEngine::goTo(std::uint32_t cycle, std::uint64_t fromMs) {
    m_error.clear();
    m_held.clear();
    m_taken = 0;
    m_nextCycle = cycle;
    for (const Reading* reading = next(); reading != nullptr && reading->timeMs < fromMs;
         reading = next()) {
        ++m_taken;
    }
}

void ReplayEngine::seek(std::uint64_t positionMs) {
    m_position = std::min(positionMs, duration());
    startLeadIn();
    deliverUpTo(m_position);
    m_sink.replayMoved(m_position);
}

bool ReplayEngine::atEnd() const {
    return !m_error.empty() || (m_taken == m_held.size() && m_nextCycle >= m_recording.cycles());
}

const Reading* ReplayEngine::next() {
    while (m_taken == m_held.size()) {
        if (atEnd()) {
            return nullptr;
        }
        m_taken = 0;
        if (!m_recording.read(m_nextCycle, m_held)) {
            m_held.clear();
            m_error = m_recording.error();
            return nullptr;
        }
        ++m_nextCycle;
    }
    return &m_held[m_taken];
}

bool ReplayEngine::previousCycle(std::uint32_t& cycle) const {
    if (m_taken > 0) {
        cycle = m_nextCycle - 1;
        return true;
    }
    // Nothing of the cycle held is shown: the reading before is the last of the one before.
    const std::uint32_t notShown = m_held.empty() ? m_nextCycle : m_nextCycle - 1;
    if (notShown == 0) {
        return false;
    }
    cycle = notShown - 1;
    return true;
}

std::uint32_t ReplayEngine::cycle() const {
    std::uint32_t shown = 0;
    return previousCycle(shown) ? shown : 0;
}

void ReplayEngine::deliverUpTo(std::uint64_t positionMs) {
    for (const Reading* reading = next(); reading != nullptr && reading->timeMs <= positionMs;
         reading = next()) {
        deliver();
    }
}

void ReplayEngine::deliver() {
    m_sink.replayReading(m_held[m_taken]);
    ++m_taken;
}

}  // namespace tvx::trend
