#include "trend/recording_csv.h"

#include <charconv>
#include <cmath>
#include <cstdio>
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

Reading cellReading(const LiveColumn& column, std::string_view gauge, const std::string& cell) {
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

const session::LivePage* pageWithHeader(const std::vector<std::string>& fields) {
    for (const session::LivePage& page : session::allLivePages()) {
        const std::vector<LiveColumn> columns = liveColumns(page);
        if (columns.size() + 1 != fields.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < columns.size() && same; ++i) {
            same = columnHeader(columns[i]) == fields[i + 1];
        }
        if (same) {
            return &page;
        }
    }
    return nullptr;
}

RecordingRead failure(std::size_t line, const std::string& what) {
    return {std::nullopt, "line " + std::to_string(line) + ": " + what};
}

std::string seconds(std::uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

void writeRecordingCsv(const LiveRecording& recording, std::ostream& out) {
    if (recording.page == nullptr) {
        return;
    }
    const std::vector<LiveColumn> columns = liveColumns(*recording.page);
    out << csvHeaderLine(columns);
    const std::span<const Reading> readings(recording.readings);
    for (const CycleSpan& cycle : cyclesOf(recording)) {
        out << csvRowLine(
            static_cast<double>(cycle.timeMs) / 1000.0,
            cycleCells(columns, readings.subspan(cycle.first, cycle.end - cycle.first)));
    }
}

RecordingRead readRecordingCsv(std::istream& in) {
    LiveRecording recording;
    std::vector<LiveColumn> columns;
    std::vector<std::string_view> gauges;
    std::uint64_t lastMs = 0;
    std::uint32_t cycle = 0;
    std::size_t lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (lineNumber == 1 && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::optional<std::vector<std::string>> fields = splitCsvLine(line);
        if (!fields) {
            return failure(lineNumber, "a quote is never closed");
        }
        if (recording.page == nullptr) {
            if ((*fields)[0] != kTimeHeader) {
                return failure(lineNumber,
                               "not a live-data recording: the first column must be \"" +
                                   std::string(kTimeHeader) + "\"");
            }
            recording.page = pageWithHeader(*fields);
            if (recording.page == nullptr) {
                return failure(lineNumber, "the columns are those of no live-data page");
            }
            columns = liveColumns(*recording.page);
            gauges = pageGauges(*recording.page);
            continue;
        }
        if (fields->size() != columns.size() + 1) {
            return failure(lineNumber, std::to_string(fields->size()) +
                                           " cells where the header has " +
                                           std::to_string(columns.size() + 1));
        }
        const std::optional<double> time = number((*fields)[0]);
        if (!time || *time < 0 || *time > 1e9) {
            return failure(lineNumber, "\"" + (*fields)[0] + "\" is not a time in seconds");
        }
        const auto ms = static_cast<std::uint64_t>(std::llround(*time * 1000.0));
        if (!recording.readings.empty() && ms < lastMs) {
            return failure(lineNumber, "the time goes back (" + seconds(ms) + " s after " +
                                           seconds(lastMs) + " s)");
        }
        lastMs = ms;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            Reading reading = cellReading(columns[i], gauges[i], (*fields)[i + 1]);
            reading.timeMs = ms;
            reading.cycle = cycle;
            recording.readings.push_back(std::move(reading));
        }
        ++cycle;
    }
    if (recording.page == nullptr) {
        return failure(lineNumber + 1,
                       "the file is empty: no header \"" + std::string(kTimeHeader) + ",...\"");
    }
    if (recording.readings.empty()) {
        return failure(lineNumber + 1, "the recording holds no readings");
    }
    return {std::move(recording), {}};
}

}  // namespace tvx::trend
