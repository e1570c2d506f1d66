#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "link/clock.h"
#include "link/requests.h"
#include "session/injector_codes.h"
#include "session/keep_going.h"
#include "session/session_events.h"

namespace tvx::session {

// What a read of the injector control unit gives.
struct InjectorUnitRead {
    std::array<std::uint8_t, 3> reportedAddress{};  // the answer to the address query
    std::array<InjectorBlock, 9> blocks{};          // reads 1..8 with their addresses
    InjectorCodes codes = blankInjectorCodes();     // slots 1..4
};

// Reads the four codes: start, 50 ms, open, 300 ms, address query, 300 ms, close, eight
// block reads each 4 below the one before (starting 4 below the reported address),
// 300 ms, start again. Every step must succeed; false (and `result` not to be used)
// otherwise.
bool readInjectorUnit(link::Requests& requests, link::Clock& clock, InjectorUnitRead& result,
                      const KeepGoing& keepGoing = {});

// One request of a programming run, as it went.
struct UnitStep {
    int half = 0;  // 1 or 2 for the requests of a code half, else 0
    InjectorRequest request = InjectorRequest::Start;
    bool ok = false;
};
using OnUnitStep = std::function<void(const UnitStep& step)>;

// Programs one injector (1..4) with eight bytes, at the block addresses of an earlier read:
// start, 50 ms, open, 300 ms, select its first-half slot, write the first four bytes, store,
// select its second-half slot, write the last four, store, close, 300 ms, start again.
// Stops at the first step that fails and returns false. onStep hears of every request sent.
bool programInjectorUnit(link::Requests& requests, link::Clock& clock,
                         const std::array<InjectorBlock, 9>& blocks, int injector,
                         const std::array<std::uint8_t, 8>& code, const KeepGoing& keepGoing = {},
                         const OnUnitStep& onStep = {});

}  // namespace tvx::session
