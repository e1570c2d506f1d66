#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/live_columns.h"

namespace tvx::cli {

// The columns `live --only` chose of a page's, in the page's order.
struct ColumnChoice {
    std::vector<LiveColumn> columns;
    std::string error;  // an unknown name, with every valid one; empty when all were known
};

// Names are separated by commas; each is a column's name or its whole header as the CSV
// header shows it ("engine speed" or "engine speed [rpm]"), in any case. The error is in the
// language of the code ('1' English, '2' Turkish).
ColumnChoice chooseColumns(const session::LivePage& page, std::string_view names, char language);

// The gauges that show the columns.
std::vector<session::Gauge> gaugesOf(const std::vector<LiveColumn>& columns);

}  // namespace tvx::cli
