#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "link/requests.h"
#include "session/keep_going.h"
#include "session/live_pages.h"

namespace tvx::session {

// Receives each gauge text of a poll.
using ShowGauge = std::function<void(std::string_view gauge, const std::string& text)>;

// One pass over a live page, as the tester polls it on every tick: in demo mode the page's
// demo pause first; then each value in order, after the page's pause before each value.
// A value is shown only when its read succeeded (in demo mode always), so a failed read
// leaves its gauge as it was. False when keepGoing stopped the pass early.
bool pollLivePage(const LivePage& page, link::Requests& requests, link::Clock& clock,
                  const ShowGauge& show, const KeepGoing& keepGoing = {});

}  // namespace tvx::session
