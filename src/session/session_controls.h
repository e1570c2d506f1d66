#pragma once

// Control names and timings that the parts of the session share. Internal to the session.

#include <cstdint>
#include <string_view>

#include "session/gauge.h"
#include "session/session_state.h"

namespace tvx::session::controls {

inline constexpr std::string_view kCommandButtons[] = {"OK", "BACK", "DEMO", "Setting"};
inline constexpr std::string_view kLists[] = {"RGCom", "Language", "PG1", "DG1"};
// The hidden speed button pressed down to release every module button.
inline constexpr std::string_view kNoModuleButton = "sahte";
inline constexpr std::string_view kModuleButtons[] = {"pcm", "tcm", "abs", "ab", "cp", "ICU"};
inline constexpr std::string_view kFunctionButtons[] = {"live", "rdtc", "cdtc", "read_inj",
                                                        "prog_inj"};
inline constexpr std::string_view kEditBoxes[] = {"", "E1", "e2", "e3", "e4"};
inline constexpr std::string_view kEditOks[] = {"", "OK1", "ok2", "ok3", "ok4"};
inline constexpr std::string_view kInjectorPanels[] = {"", "Panel1", "Panel2", "Panel3", "Panel4"};
inline constexpr std::string_view kInjectorLines[] = {"", "edis1", "edis2", "edis3", "edis4"};
// Beside each edit box: the code the unit held before editing.
inline constexpr std::string_view kCodeBeforeLabels[] = {"", "before1", "before2", "before3",
                                                         "before4"};
// The fields a switch-state read fills: clutch, brake, air conditioning.
inline constexpr Gauge kSwitchStateGauges[] = {Gauge::cppd, Gauge::bppd, Gauge::klimad};

inline constexpr unsigned kStatusPauseMs = 2000;    // red status screens
inline constexpr unsigned kDtcPauseMs = 3000;       // trouble-code screens
inline constexpr unsigned kCountdownStepMs = 1000;  // one second of a countdown
inline constexpr unsigned kInjectorShortMs = 50;    // after starting the injector unit
inline constexpr unsigned kInjectorLongMs = 300;    // around its routines

struct Transition {
    State before;
    State after;
};

}  // namespace tvx::session::controls
