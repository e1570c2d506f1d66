#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "trend/live_columns.h"
#include "trend/reading.h"

namespace tvx::trend {

// The live-data log's comma-separated layout, which the command-line tester writes and
// every recording is exported to: a header "time [s]" and each column's name and unit,
// then one line per polling cycle, the time in seconds with three decimals and one cell per
// column; an empty cell is a value whose read failed in that cycle. Cells holding a comma,
// a quote or a line break are quoted. Lines end in "\n".

inline constexpr std::string_view kTimeHeader = "time [s]";

std::string csvHeaderLine(const std::vector<LiveColumn>& columns);
std::string csvRowLine(double seconds, const std::vector<std::string>& cells);

// One cell per column: the last text the cycle read for the column's gauge (trimmed), or
// empty when no read of it succeeded (the gauge kept its old value on the window).
std::vector<std::string> cycleCells(const std::vector<LiveColumn>& columns,
                                    std::span<const Reading> readings);

// The fields of one line; nullopt when a quote is left open.
std::optional<std::vector<std::string>> splitCsvLine(std::string_view line);

}  // namespace tvx::trend
