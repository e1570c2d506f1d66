#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datadir/programming_guard.h"
#include "doctor/doctor.h"
#include "link/decoder.h"
#include "link/injector_codes.h"
#include "link/module.h"
#include "session/live_pages.h"
#include "session/session_state.h"

namespace tvx::session {

// What happened in a session, as facts. The view shows the operator screens; these events
// tell listeners (the command-line tester, the workshop record, charts) what the session
// learnt and did, so nobody has to read it back off the screens.
//
// Every event is emitted on the thread that runs the session (the worker in the window),
// in the order things happened. `demo` is true in demonstration mode, where nothing was
// sent and every value is invented.

// The COM port of the settings (at start, or newly chosen) was opened, or not.
struct PortOpening {
    int index = 0;  // 0..7, COM1..COM8
    bool opened = false;
};

// The settings file was rewritten with a new port and language, or could not be.
struct SettingsSaving {
    bool saved = false;
    int comPortIndex = 0;
    char languageCode = '1';
};

// A vehicle was clicked in one of the two lists.
struct VehicleChoice {
    bool diesel = false;
    int index = 0;
    std::string_view name;  // as the list shows it
};

// The presence test of the box.
struct BoxProbe {
    bool answered = false;
};

// The module probe (the ECU scan): the protocol of each module, 0 for absent.
struct ModuleProbe {
    bool carAnswered = false;  // false only when the last module (the cluster) was silent
    std::array<std::uint8_t, 6> protocols{};  // index 1..5 = PCM, TCM, ABS, AirBag, Cluster
    bool injectorUnitOffered = false;         // the vehicle has an injector control unit
    bool demo = false;
    // Index 1..5: the module's answer came after its time-out; it was set aside and the
    // module counts as absent (a late answer is never credited to another module).
    std::array<bool, 6> late{};
};

// The vehicle identification number read from the PCM after the probe.
struct VinReading {
    bool read = false;  // false: not read (demo, no answer); `vin` then holds dashes
    std::string vin;    // the bytes as the module sent them
};

// A module button: its opening bytes went out and the module answered (or not).
struct ModuleOpening {
    Module module = Module::Pcm;
    bool answered = false;  // always true in demo mode and for the injector unit
    bool demo = false;
};

// Read DTC finished: the codes of one module, or a failed read.
struct TroubleCodeRead {
    int module = 1;  // 1..5
    bool ok = false;
    int count = 0;                       // as the module reported it
    std::vector<std::uint16_t> codes;    // the non-empty slots, in slot order
    std::vector<std::string> codeTexts;  // "P0100", one per code
    std::vector<std::string> rows;       // catalogue rows as shown, one per code
    // Each code's description as the catalogue gives it (the undefined-code text for a code
    // it lacks), one per code: what a record keeps, without reading it out of a row.
    std::vector<std::string> descriptions;
    bool catalogueMissing = false;  // rows and descriptions then stay empty
    char languageCode = '1';        // the catalogue the rows come from
    bool demo = false;
};

// Clear DTC finished.
struct TroubleCodeClear {
    int module = 1;
    bool ok = false;
    bool demo = false;
};

// A live-data page was laid out and its polling begins.
struct LivePageStart {
    const LivePage* page = nullptr;
    bool demo = false;
};

// One value of a live-data page, read or failed. A switch-state read gives one reading
// for each of its three fields (value 1 for " ON", 0 for "OFF").
struct LiveReading {
    State page = State::ModuleMenu;  // the page's polling state
    LiveRead::Kind kind = LiveRead::Kind::Decode;
    link::Decoder decoder{};       // for Kind::Decode
    std::uint16_t identifier = 0;  // the parameter asked of the module
    Gauge gauge{};                 // where the window shows it
    std::string text;              // the gauge text; empty when the read failed
    double value = 0.0;            // the engineering value; 0 when the read failed
    bool failed = false;
    std::uint64_t timeMs = 0;  // on the session's clock, when the reply was in
    bool demo = false;
};

// One pass over a page ended: complete, or cut short (the operator left the page, the line
// was lost, the program is closing). A pass paused for an operator's command and resumed
// later counts as one pass.
struct LiveCycle {
    State page = State::ModuleMenu;
    bool complete = false;
    std::uint64_t timeMs = 0;
};

// Which values of the live page are polled changed: fast mode began, took other values, or
// ended (the operator left it, or left the page). Paused values are not read: neither fresh
// nor failed.
struct LiveFocusChange {
    State page = State::ModuleMenu;
    bool whole = true;          // every value is polled again
    std::vector<Gauge> polled;  // the page's gauges, in column order
    std::vector<Gauge> paused;  // empty when the whole page is polled
};

// Read Injector finished.
struct InjectorRead {
    bool ok = false;
    InjectorCodes codes = blankInjectorCodes();  // slots 1..4 (panel order)
    std::array<InjectorBlock, 9> blocks{};       // reads 1..8 with their addresses
    bool demo = false;
};

// The requests of a programming run, in the order they are sent.
enum class InjectorRequest { Start, Open, SelectSlot, Write, Store, Close, StartAgain };

// One request of a programming run went out; `ok` when the unit accepted it. `restore`
// marks the requests that write the old code back after a run failed part-way.
struct ProgrammingStep {
    int injector = 1;  // slot 1..4
    int half = 0;      // 1 or 2 for the requests of a code half, 0 for the others
    InjectorRequest request = InjectorRequest::Start;
    bool ok = false;
    bool restore = false;
};

// The session waits for the operator at one of these prompts. `lines` is the screen.
struct Prompt {
    enum class Kind {
        IgnitionOff,  // turn the key off, then OK
        IgnitionOn,   // turn the key on, then OK
        EnterCode,    // select an injector, type its code, OK
        Confirm,      // "ARE YOU SURE ?"
    };
    Kind kind = Kind::IgnitionOff;
    std::array<std::string, 4> lines;
};

// A please-wait countdown began (`seconds` left), in the programming sequence.
struct Countdown {
    int seconds = 0;
};

// ---- Connection doctor: after a failed start (box silent, car silent, line lost) the
// session says what it found and what the mechanic should do.
struct ConnectionDiagnosis {
    Finding finding;
};
// ----

// Receives the events of a session. Every method does nothing unless overridden.
class SessionEvents {
public:
    virtual ~SessionEvents() = default;

    virtual void portOpened(const PortOpening&) {}
    virtual void settingsSaved(const SettingsSaving&) {}
    virtual void vehicleChosen(const VehicleChoice&) {}
    virtual void boxProbed(const BoxProbe&) {}
    virtual void modulesProbed(const ModuleProbe&) {}
    virtual void vinRead(const VinReading&) {}
    virtual void moduleOpened(const ModuleOpening&) {}
    virtual void troubleCodesRead(const TroubleCodeRead&) {}
    virtual void troubleCodesCleared(const TroubleCodeClear&) {}
    virtual void livePageStarted(const LivePageStart&) {}
    virtual void liveReading(const LiveReading&) {}
    virtual void liveCycleEnded(const LiveCycle&) {}
    virtual void liveFocusChanged(const LiveFocusChange&) {}
    virtual void injectorCodesRead(const InjectorRead&) {}
    virtual void programmingStep(const ProgrammingStep&) {}
    virtual void programmingEnded(const ProgrammingEnd&) {}
    virtual void prompted(const Prompt&) {}
    virtual void countdownStarted(const Countdown&) {}
    // The port failed under the session (box unplugged, device gone).
    virtual void lineLost() {}
    virtual void connectionDiagnosed(const ConnectionDiagnosis&) {}
};

}  // namespace tvx::session
