#pragma once

// The columns of the live-data log belong to the recordings' layout (src/trend); the
// command-line tester uses them under its own names.
#include "trend/live_columns.h"

namespace tvx::cli {

using trend::columnHeader;
using trend::LiveColumn;
using trend::liveColumns;

}  // namespace tvx::cli
