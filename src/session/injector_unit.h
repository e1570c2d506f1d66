#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "link/clock.h"
#include "link/injector_codes.h"
#include "link/keep_going.h"
#include "link/requests.h"
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

// How far a write of code halves went. A half whose write request went out may have
// changed in the unit even when the request then failed (its answer can be lost after the
// unit acted on it); a half is surely written once its store was accepted.
struct UnitWrite {
    bool ok = false;                  // every request accepted
    std::array<bool, 3> writeSent{};  // [half]: its write request went out
    std::array<bool, 3> stored{};     // [half]: its store was accepted
    bool anyWriteSent() const { return writeSent[1] || writeSent[2]; }
};

// Which halves of a code a write covers.
struct Halves {
    bool first = true;
    bool second = true;
};

// Writes halves of one injector's code (1..4), at the block addresses of an earlier read:
// start, 50 ms, open, 300 ms, then per half: select its slot, write its four bytes, store;
// then close, 300 ms, start again. Stops at the first step that fails. onStep hears of
// every request sent.
UnitWrite writeInjectorHalves(link::Requests& requests, link::Clock& clock,
                              const std::array<InjectorBlock, 9>& blocks, int injector,
                              const std::array<std::uint8_t, 8>& code, Halves halves,
                              const KeepGoing& keepGoing = {}, const OnUnitStep& onStep = {});

// Programs both halves of one injector's code; false when any step failed.
bool programInjectorUnit(link::Requests& requests, link::Clock& clock,
                         const std::array<InjectorBlock, 9>& blocks, int injector,
                         const std::array<std::uint8_t, 8>& code, const KeepGoing& keepGoing = {},
                         const OnUnitStep& onStep = {});

// The four codes (slots 1..4) that eight blocks of a read hold.
InjectorCodes codesOfBlocks(const std::array<InjectorBlock, 9>& blocks);
// The eight bytes of one injector in eight blocks of a read.
std::array<std::uint8_t, 8> codeBytesOfBlocks(const std::array<InjectorBlock, 9>& blocks,
                                              int injector);

}  // namespace tvx::session
