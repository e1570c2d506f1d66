#include "trend/csv_layout.h"

#include <cstdio>

namespace tvx::trend {
namespace {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\n\r") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace

std::string csvHeaderLine(const std::vector<LiveColumn>& columns) {
    std::string line(kTimeHeader);
    for (const LiveColumn& column : columns) {
        line += ',';
        line += csvField(columnHeader(column));
    }
    return line + '\n';
}

std::string csvRowLine(double seconds, const std::vector<std::string>& cells) {
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    std::string line(time);
    for (const std::string& cell : cells) {
        line += ',';
        line += csvField(cell);
    }
    return line + '\n';
}

std::vector<std::string> cycleCells(const std::vector<LiveColumn>& columns,
                                    std::span<const Reading> readings) {
    std::vector<std::string> cells(columns.size());
    for (const Reading& reading : readings) {
        if (reading.failed) {
            continue;
        }
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].gauge == reading.gauge) {
                cells[i] = trimmed(reading.text);
            }
        }
    }
    return cells;
}

std::optional<std::vector<std::string>> splitCsvLine(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

}  // namespace tvx::trend
