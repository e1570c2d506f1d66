#include "trend/recording_csv.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "trend/csv_layout.h"
#include "trend/live_columns.h"

namespace tvx::trend {
namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::optional<double> number(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A switch-state column has no unit; its fields show " ON" or "OFF" on three cells.
bool isSwitchColumn(const LiveColumn& column) {
    return column.unit.empty();
}

Reading cellReading(const LiveColumn& column, Gauge gauge, const std::string& cell) {
    Reading reading;
    reading.gauge = gauge;
    if (cell.empty()) {
        reading.failed = true;
        reading.value = kNoValue;
        return reading;
    }
    if (isSwitchColumn(column)) {
        reading.text = cell.size() < 3 ? std::string(3 - cell.size(), ' ') + cell : cell;
        reading.value = cell == "ON" ? 1.0 : cell == "OFF" ? 0.0 : kNoValue;
        return reading;
    }
    reading.text = cell;
    reading.value = number(cell).value_or(kNoValue);
    return reading;
}

struct HeaderMatch {
    const session::LivePage* page = nullptr;
    std::vector<LiveColumn> columns;
};

// The page whose columns the header names: every one of them, or (fast mode's recording) some
// in the page's order. A header naming a whole page is that page's; a part of one belongs to
// the first page that has those columns.
HeaderMatch pageWithHeader(const std::vector<std::string>& fields) {
    HeaderMatch part;
    if (fields.size() < 2) {
        return part;
    }
    for (const session::LivePage& page : session::allLivePages()) {
        std::vector<LiveColumn> columns = liveColumns(page);
        std::vector<LiveColumn> named;
        for (LiveColumn& column : columns) {
            if (named.size() + 1 < fields.size() &&
                columnHeader(column) == fields[named.size() + 1]) {
                named.push_back(column);
            }
        }
        if (named.size() + 1 != fields.size()) {
            continue;
        }
        if (named.size() == columns.size()) {
            return {&page, std::move(named)};
        }
        if (part.page == nullptr) {
            part = {&page, std::move(named)};
        }
    }
    return part;
}

std::string seconds(std::uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

void writeRecordingCsv(const LiveRecording& recording, std::ostream& out) {
    HeldRecording held(recording);
    writeRecordingCsv(held, out);
}

bool writeRecordingCsv(ReplaySource& recording, std::ostream& out) {
    if (recording.page() == nullptr) {
        return true;
    }
    const std::vector<LiveColumn> columns = liveColumns(*recording.page(), recording.gauges());
    out << csvHeaderLine(columns);
    std::vector<Reading> cycle;
    for (std::uint32_t c = 0; c < recording.cycles(); ++c) {
        if (!recording.read(c, cycle)) {
            return false;
        }
        out << csvRowLine(static_cast<double>(cycle.front().timeMs) / 1000.0,
                          cycleCells(columns, cycle));
    }
    return true;
}

bool RecordingCsvReader::fail(const std::string& what) {
    m_error = "line " + std::to_string(m_lineNumber) + ": " + what;
    return false;
}

bool RecordingCsvReader::nextLine(std::string& line) {
    while (std::getline(m_in, line)) {
        ++m_lineNumber;
        if (m_in.eof()) {
            // No line break after it: the writer never finished this line.
            if (!line.empty()) {
                m_cutLine = m_lineNumber;
            }
            return false;
        }
        if (m_lineNumber == 1 && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            return true;
        }
    }
    return false;
}

bool RecordingCsvReader::begin() {
    std::string line;
    if (!nextLine(line)) {
        if (m_cutLine != 0) {
            return fail("the header line was cut short: the recording holds nothing");
        }
        ++m_lineNumber;
        return fail("the file is empty: no header \"" + std::string(kTimeHeader) + ",...\"");
    }
    const std::optional<std::vector<std::string>> fields = splitCsvLine(line);
    if (!fields) {
        return fail("a quote is never closed");
    }
    if ((*fields)[0] != kTimeHeader) {
        return fail("not a live-data recording: the first column must be \"" +
                    std::string(kTimeHeader) + "\"");
    }
    HeaderMatch match = pageWithHeader(*fields);
    if (match.page == nullptr) {
        return fail("the columns are those of no live-data page");
    }
    m_page = match.page;
    m_columns = std::move(match.columns);
    for (const LiveColumn& column : m_columns) {
        m_gauges.push_back(column.gauge);
    }
    if (m_columns.size() < liveColumns(*m_page).size()) {
        m_recorded = m_gauges;
    }
    return true;
}

bool RecordingCsvReader::next(std::vector<Reading>& cycle) {
    cycle.clear();
    std::string line;
    if (m_page == nullptr || !m_error.empty() || !nextLine(line)) {
        return false;
    }
    const std::optional<std::vector<std::string>> fields = splitCsvLine(line);
    if (!fields) {
        return fail("a quote is never closed");
    }
    if (fields->size() != m_columns.size() + 1) {
        return fail(std::to_string(fields->size()) + " cells where the header has " +
                    std::to_string(m_columns.size() + 1));
    }
    const std::optional<double> time = number((*fields)[0]);
    if (!time || *time < 0 || *time > 1e9) {
        return fail("\"" + (*fields)[0] + "\" is not a time in seconds");
    }
    const auto ms = static_cast<std::uint64_t>(std::llround(*time * 1000.0));
    if (m_cycle > 0 && ms < m_lastMs) {
        return fail("the time goes back (" + seconds(ms) + " s after " + seconds(m_lastMs) + " s)");
    }
    m_lastMs = ms;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        Reading reading = cellReading(m_columns[i], m_gauges[i], (*fields)[i + 1]);
        reading.timeMs = ms;
        reading.cycle = m_cycle;
        cycle.push_back(std::move(reading));
    }
    ++m_cycle;
    return true;
}

RecordingCsvReader::Mark RecordingCsvReader::mark() {
    const std::istream::pos_type at = m_in.tellg();
    return {at < 0 ? 0 : static_cast<std::uint64_t>(at), m_lineNumber, m_cycle, m_lastMs};
}

bool RecordingCsvReader::resumeAt(const Mark& mark) {
    m_in.clear();
    m_in.seekg(static_cast<std::streamoff>(mark.offset));
    m_lineNumber = mark.lineNumber;
    m_cycle = mark.cycle;
    m_lastMs = mark.lastMs;
    m_cutLine = 0;
    m_error.clear();
    if (!m_in) {
        ++m_lineNumber;
        return fail("the file can no longer be read");
    }
    return true;
}

std::string noReadingsError(std::size_t cutLine) {
    return "line " + std::to_string(cutLine != 0 ? cutLine : 2) +
           (cutLine != 0 ? ": the only cycle was cut short: the recording holds no readings"
                         : ": the recording holds no readings");
}

RecordingRead readRecordingCsv(std::istream& in) {
    RecordingCsvReader reader(in);
    if (!reader.begin()) {
        return {std::nullopt, reader.error(), reader.cutLine()};
    }
    LiveRecording recording;
    recording.page = reader.page();
    recording.gauges = reader.recordedGauges();
    std::vector<Reading> cycle;
    while (reader.next(cycle)) {
        std::move(cycle.begin(), cycle.end(), std::back_inserter(recording.readings));
    }
    if (!reader.error().empty()) {
        return {std::nullopt, reader.error(), reader.cutLine()};
    }
    if (recording.readings.empty()) {
        return {std::nullopt, noReadingsError(reader.cutLine()), reader.cutLine()};
    }
    return {std::move(recording), {}, reader.cutLine()};
}

}  // namespace tvx::trend
