#include "trend/live_recorder.h"

#include <limits>

namespace tvx::trend {

LiveRecorder::LiveRecorder(RecordingStore& store, const link::Clock& clock)
    : m_store(store), m_clock(clock) {}

LiveRecorder::~LiveRecorder() {
    stop();
}

bool LiveRecorder::start(std::string& error, const session::LivePage* page,
                         std::vector<Gauge> gauges) {
    std::lock_guard lock(m_mutex);
    if (m_writer) {
        return true;  // already recording
    }
    if (page != nullptr && page != m_page) {
        m_page = page;
        m_midCycle = false;
        m_demo = false;
    }
    if (page != nullptr) {
        m_gauges = std::move(gauges);
    }
    if (m_page == nullptr) {
        error = "no live-data page is being polled";
        return false;
    }
    if (m_demo) {
        error = "demonstration values are not recorded";
        return false;
    }
    m_writer = m_store.startLiveRecording(*m_page, m_gauges, error);
    if (!m_writer) {
        return false;
    }
    m_collecting = !m_midCycle;
    m_originMs.reset();
    m_cycleNumber = 0;
    m_lastMs = 0;
    m_cycle.clear();
    return true;
}

std::optional<LiveRecorder::Ended> LiveRecorder::stop() {
    std::lock_guard lock(m_mutex);
    if (!m_writer) {
        return std::nullopt;
    }
    m_cycle.clear();  // a pass not read through is no cycle
    endLocked(EndReason::Stopped);
    return m_lastEnded;
}

bool LiveRecorder::recording() const {
    std::lock_guard lock(m_mutex);
    return m_writer != nullptr;
}

LiveRecorder::Progress LiveRecorder::progress() const {
    std::lock_guard lock(m_mutex);
    return {m_cycleNumber, m_lastMs};
}

std::optional<LiveRecorder::Ended> LiveRecorder::lastEnded() const {
    std::lock_guard lock(m_mutex);
    return m_lastEnded;
}

bool LiveRecorder::writeFailed() const {
    std::lock_guard lock(m_mutex);
    return m_writer && m_writer->failed();
}

const session::LivePage* LiveRecorder::page() const {
    std::lock_guard lock(m_mutex);
    return m_page;
}

void LiveRecorder::livePageStarted(const session::LivePageStart& event) {
    std::lock_guard lock(m_mutex);
    if (m_writer) {
        m_cycle.clear();  // the last pass of the page before was cut short
        endLocked(EndReason::PageChanged);
    }
    m_page = event.page;
    m_demo = event.demo;
    m_midCycle = false;
    m_gauges.clear();
}

void LiveRecorder::liveFocusChanged(const session::LiveFocusChange& event) {
    std::lock_guard lock(m_mutex);
    if (m_page == nullptr || event.page != m_page->pollState) {
        return;
    }
    std::vector<Gauge> gauges = event.whole ? std::vector<Gauge>{} : event.polled;
    if (gauges == m_gauges) {
        return;
    }
    m_gauges = std::move(gauges);
    if (m_writer) {
        // The columns were the old values'; the pass cut short by the change was flushed.
        endLocked(EndReason::ValuesChanged);
    }
}

void LiveRecorder::liveReading(const session::LiveReading& event) {
    std::lock_guard lock(m_mutex);
    m_midCycle = true;
    if (!m_writer || !m_collecting) {
        return;
    }
    if (!m_originMs) {
        m_originMs = event.timeMs;
    }
    Reading reading = readingOf(event, m_cycleNumber);
    reading.timeMs = event.timeMs >= *m_originMs ? event.timeMs - *m_originMs : 0;
    m_cycle.push_back(std::move(reading));
}

void LiveRecorder::liveCycleEnded(const session::LiveCycle& event) {
    std::lock_guard lock(m_mutex);
    if (m_page == nullptr || event.page != m_page->pollState) {
        return;
    }
    m_midCycle = false;
    if (!m_writer) {
        return;
    }
    if (m_collecting) {
        flushCycleLocked();
    }
    m_collecting = true;
}

void LiveRecorder::lineLost() {
    std::lock_guard lock(m_mutex);
    if (!m_writer) {
        return;
    }
    flushCycleLocked();
    if (m_originMs && m_page != nullptr) {
        // The values shown when the line went are stale from here on: one cycle of failures.
        const std::uint64_t now = m_clock.nowMs();
        const std::uint64_t at = now >= *m_originMs ? now - *m_originMs : 0;
        const std::vector<Gauge> gauges = m_gauges.empty() ? pageGauges(*m_page) : m_gauges;
        for (const Gauge gauge : gauges) {
            Reading failed;
            failed.timeMs = at;
            failed.gauge = gauge;
            failed.failed = true;
            failed.value = std::numeric_limits<double>::quiet_NaN();
            failed.cycle = m_cycleNumber;
            m_cycle.push_back(std::move(failed));
        }
        flushCycleLocked();
    }
    endLocked(EndReason::LineLost);
}

void LiveRecorder::flushCycleLocked() {
    if (m_cycle.empty()) {
        return;
    }
    m_writer->addCycle(m_cycle);
    m_lastMs = m_cycle.front().timeMs;  // a cycle's time is its first reading's, as the file has it
    m_cycle.clear();
    ++m_cycleNumber;
}

void LiveRecorder::endLocked(EndReason reason) {
    flushCycleLocked();
    Ended ended;
    ended.id = m_writer->id();
    ended.cycles = m_cycleNumber;
    ended.durationMs = m_lastMs;
    ended.kept = m_writer->stop(ended.error);
    ended.reason = reason;
    m_writer.reset();
    m_collecting = false;
    m_lastEnded = std::move(ended);
}

}  // namespace tvx::trend
