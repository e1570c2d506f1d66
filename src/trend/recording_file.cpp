#include "trend/recording_file.h"

#include <algorithm>

namespace tvx::trend {

RecordingFile::RecordingFile(const std::filesystem::path& file)
    : m_file(file), m_in(file, std::ios::binary) {}

std::unique_ptr<RecordingFile> RecordingFile::open(const std::filesystem::path& file,
                                                   std::string& error) {
    std::unique_ptr<RecordingFile> opened(new RecordingFile(file));
    if (!opened->m_in) {
        error = "cannot open " + file.string();
        return nullptr;
    }
    if (!opened->index()) {
        error = file.string() + ", " + opened->m_error;
        return nullptr;
    }
    return opened;
}

bool RecordingFile::index() {
    if (!m_reader.begin()) {
        m_error = m_reader.error();
        return false;
    }
    std::vector<Reading> cycle;
    for (;;) {
        const bool stretchBegins = m_reader.cycles() % kStride == 0;
        const RecordingCsvReader::Mark at =
            stretchBegins ? m_reader.mark() : RecordingCsvReader::Mark{};
        if (!m_reader.next(cycle)) {
            break;
        }
        if (stretchBegins) {
            m_stretches.push_back({at, cycle.front().timeMs});
        }
        m_durationMs = cycle.front().timeMs;
    }
    if (!m_reader.error().empty()) {
        m_error = m_reader.error();
        return false;
    }
    m_cycles = m_reader.cycles();
    m_cutLine = m_reader.cutLine();
    if (m_cycles == 0) {
        m_error = noReadingsError(m_cutLine);
        return false;
    }
    m_stretches.shrink_to_fit();
    return true;
}

std::uint32_t RecordingFile::cycleFrom(std::uint64_t timeMs) {
    // Every reading of a row has the row's time. The first stretch that begins at the time or
    // later begins at or after the cycle sought, which is at most a stretch before it.
    const auto later = std::partition_point(m_stretches.begin(), m_stretches.end(),
                                            [&](const Stretch& s) { return s.timeMs < timeMs; });
    if (later == m_stretches.begin()) {
        return 0;
    }
    const std::uint32_t last = later == m_stretches.end() ? m_cycles : later->at.cycle;
    std::vector<Reading> readings;
    for (std::uint32_t cycle = std::prev(later)->at.cycle + 1; cycle < last; ++cycle) {
        if (!read(cycle, readings) || readings.front().timeMs >= timeMs) {
            return cycle;
        }
    }
    return last;
}

bool RecordingFile::read(std::uint32_t cycle, std::vector<Reading>& readings) {
    if (cycle >= m_cycles) {
        return changed(cycle);
    }
    const Stretch& stretch = m_stretches[cycle / kStride];
    // Played on, the reader is usually there already: the next line is the cycle asked for.
    const bool onTheWay = m_error.empty() && m_reader.error().empty() &&
                          m_reader.cycles() >= stretch.at.cycle && m_reader.cycles() <= cycle;
    m_error.clear();
    if (!onTheWay && !m_reader.resumeAt(stretch.at)) {
        return changed(cycle);
    }
    while (m_reader.cycles() <= cycle) {
        const std::uint32_t number = m_reader.cycles();
        if (!m_reader.next(readings) ||
            (number == stretch.at.cycle && readings.front().timeMs != stretch.timeMs)) {
            return changed(cycle);
        }
    }
    return true;
}

bool RecordingFile::changed(std::uint32_t cycle) {
    m_error = m_file.string() + " was changed while it was replayed: " +
              (m_reader.error().empty() ? "cycle " + std::to_string(cycle + 1) + " of " +
                                              std::to_string(m_cycles) + " is no longer there"
                                        : m_reader.error());
    return false;
}

}  // namespace tvx::trend
