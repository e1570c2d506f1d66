#pragma once

#include <span>
#include <string_view>

#include "link/decoder.h"
#include "session/gauge.h"
#include "session/session_state.h"

namespace tvx::session {

// One value of a live-data polling loop: what is read and which gauge shows it.
struct LiveRead {
    enum class Kind { Decode, SwitchStates, Odometer };
    Kind kind = Kind::Decode;
    link::Decoder decoder{};  // for Kind::Decode
    Gauge gauge{};            // for SwitchStates: cppd, bppd and klimad are all written
};

struct PanelVisibility {
    std::string_view panel;
    bool visible;
};

// A live-data page: the entry state lays the page out, the polling state reads its list
// in order on every tick. Where a value has two requests of the car, "first request" is
// the decoder row ending in 1 (or First) and "second request" the row ending in 2 (or
// Second); see live_pages.cpp for the choice of each row.
struct LivePage {
    State entryState;
    State pollState;
    std::string_view frame;                   // Frame61, Frame71 or Frame81
    std::span<const PanelVisibility> panels;  // panels of that frame set by the entry
    unsigned demoPauseMs;                     // once per tick in demo mode
    unsigned pauseBeforeEachMs;               // 20 ms for the fast diesel page, else 0
    std::span<const LiveRead> reads;
    // Gauges on shown panels that this page never reads: the entry shows them blank (all
    // segments unlit), so no figure stands there that no read produced.
    std::span<const Gauge> blankGauges{};
};

// The page of a vehicle: petrol models 0..10, diesel models 0..7. nullptr for any other.
const LivePage* livePageForModel(bool diesel, int modelIndex);
// The instrument cluster page (states 28 and 29).
const LivePage& clusterPage();
// The page whose entry or polling state is the given state, or nullptr.
const LivePage* livePageForState(State state);
// Every page, for tests and tools.
std::span<const LivePage> allLivePages();

// The vehicle lists as the window shows them.
std::span<const std::string_view> petrolModels();
std::span<const std::string_view> dieselModels();
// Whether a vehicle of the lists has an injector control unit (the diesel models 4 to 7).
bool vehicleHasInjectorUnit(bool diesel, int modelIndex);

// Texts of the switch-state fields of the diesel page for the StatusFlags byte.
std::string_view clutchText(unsigned statusFlags);  // cppd
std::string_view brakeText(unsigned statusFlags);   // bppd
std::string_view aircoText(unsigned statusFlags);   // klimad

}  // namespace tvx::session
