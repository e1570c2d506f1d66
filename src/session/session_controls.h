#pragma once

// Control names and timings that the parts of the session share. Internal to the session.

#include <cstdint>
#include <string_view>

namespace tvx::session::controls {

inline constexpr std::string_view kModuleButtons[] = {"pcm", "tcm", "abs", "ab", "cp", "ICU"};
inline constexpr std::string_view kFunctionButtons[] = {"live", "rdtc", "cdtc", "read_inj",
                                                        "prog_inj"};
inline constexpr std::string_view kEditBoxes[] = {"", "E1", "e2", "e3", "e4"};
inline constexpr std::string_view kEditOks[] = {"", "OK1", "ok2", "ok3", "ok4"};
inline constexpr std::string_view kInjectorPanels[] = {"", "Panel1", "Panel2", "Panel3", "Panel4"};
inline constexpr std::string_view kInjectorLines[] = {"", "edis1", "edis2", "edis3", "edis4"};

// The work-area frames a live page, the injector panel or a module hides.
inline constexpr std::string_view kDataFrames[] = {"Frame31",  "Frame41",  "Frame61",
                                                   "Frame71",  "Frame81",  "Frame91",
                                                   "Frame101", "Frame111", "Frame131"};

inline constexpr unsigned kStatusPauseMs = 2000;    // red status screens
inline constexpr unsigned kDtcPauseMs = 3000;       // trouble-code screens
inline constexpr unsigned kCountdownStepMs = 1000;  // one second of a countdown
inline constexpr unsigned kInjectorShortMs = 50;    // after starting the injector unit
inline constexpr unsigned kInjectorLongMs = 300;    // around its routines

struct Transition {
    int before;
    int after;
};

}  // namespace tvx::session::controls
