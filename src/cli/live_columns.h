#pragma once

// The live-data columns live with the session, which the workshop record shares.
#include "session/live_columns.h"

namespace tvx::cli {

using session::columnHeader;
using session::LiveColumn;
using session::liveColumns;

}  // namespace tvx::cli
