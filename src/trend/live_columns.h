#pragma once

// The columns of a live-data log or recording live with the session, which the workshop
// record shares; the recordings' layout uses them under its own names.
#include "session/live_columns.h"

namespace tvx::trend {

using session::columnHeader;
using session::LiveColumn;
using session::liveColumns;

}  // namespace tvx::trend
