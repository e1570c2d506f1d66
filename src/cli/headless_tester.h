#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/vehicle_choice.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_port.h"
#include "session/live_pages.h"
#include "session/recording_view.h"
#include "session/screens.h"
#include "session/session.h"

namespace tvx::cli {

// How one operation of the headless tester ended, as the session's screens told it.
enum class Outcome {
    Ok,
    NoBox,         // the box did not answer the presence test
    NoCar,         // the car did not answer the module probe
    ModuleAbsent,  // the module did not answer the module probe
    ModuleSilent,  // the module did not answer its opening bytes
    LineLost,      // the port failed under the session (box unplugged)
    ReadFailed,    // trouble-code or injector read failed
    WriteFailed,   // clearing or programming failed
    CodeRefused,   // the session refused the injector code; nothing was written
    Cancelled,     // the operator stopped at a prompt
    NoPage,        // no live-data page for this vehicle and module
};

// The tester without a window: the real Session, shown on a RecordingView, driven by the
// commands a mechanic would click, in the same order. Every request, screen rule and
// catalogue lookup is the session's own; this class only presses the buttons and reads
// the outcome off the screens the session showed. Single-threaded.
class HeadlessTester {
public:
    HeadlessTester(link::SerialPort& port, link::Clock& clock, std::filesystem::path dataDirectory,
                   char languageCode);

    link::Link& link() { return m_link; }
    link::Requests& requests() { return m_requests; }
    session::Session& session() { return m_session; }
    const session::RecordingView& view() const { return m_view; }

    // Chooses the vehicle (as a click in PG1 or DG1), then connects as after "plug the box
    // in, OK": presence test, module probe, VIN, module menu. With demo, the DEMO button.
    Outcome connect(const std::optional<VehicleChoice>& vehicle, bool demo);
    // True when the module menu offers the ICU button (diesel models with the unit).
    bool offersInjectorUnit() const { return m_view.enabled("ICU"); }

    // Presses a module button (its opening bytes go to the car, the ICU sends none).
    Outcome openModule(session::Module module);

    struct DtcList {
        Outcome outcome = Outcome::Ok;
        int count = 0;                   // as the module reported it
        std::vector<std::string> rows;   // the grid rows: code and catalogue text
        std::vector<std::string> codes;  // the code texts, also without a catalogue
        bool catalogueMissing = false;
    };
    // Read DTC on the open module (a 3 s pause is part of it).
    DtcList readDtc();
    // Clear DTC on the open module.
    Outcome clearDtc();

    // Live data on the open module: the page it polls, nullptr with NoPage when none.
    const session::LivePage* startLive();
    // One polling cycle: the gauge writes it made, in order. False when polling stopped
    // (the line was lost); the writes are then those made before it stopped.
    bool pollCycle(std::vector<std::pair<std::string, std::string>>& writes);

    // Read Injector on the ICU: the four slots, or ReadFailed.
    Outcome readInjectors();
    const session::InjectorCodes& injectorCodes() const { return m_session.InjectorCode; }

    // What the programming sequence asks of the operator. Each returns false to stop.
    struct ProgrammingPrompts {
        std::function<bool(const std::string& display)> ignition;  // key off / on, then OK
        std::function<bool(const std::string& display)> confirm;   // "ARE YOU SURE ?"
        std::function<void(int seconds)> countdown;                // a please-wait begins
    };
    struct Programming {
        Outcome outcome = Outcome::Ok;
        bool sent = false;  // the code went to the unit (before any later stop)
    };
    // Prog Injector for one slot (1..4) with the typed code, through the ignition steps,
    // the entry screen and the confirmation, to the finished screen. Needs a read first.
    Programming programInjector(int slot, const std::string& code,
                                const ProgrammingPrompts& prompts);
    // OK on the finished screen: back to the module menu (the module scan runs again).
    Outcome backToModuleMenu();

    // The four display lines, trimmed, joined by " / ".
    std::string displayText() const;

    // Whether the menu of this vehicle offers the injector unit, asked of a session in
    // demonstration mode (nothing is sent anywhere).
    static bool vehicleHasInjectorUnit(const VehicleChoice& vehicle);

private:
    void settle();
    bool shownSince(session::ScreenId id, std::size_t fromLine) const;
    std::size_t lineMark() const { return m_view.lineLog.size(); }
    Outcome menuOutcome(std::size_t fromLine) const;

    link::Link m_link;
    link::Requests m_requests;
    session::RecordingView m_view;
    session::Session m_session;
    char m_languageCode;
    const session::LivePage* m_page = nullptr;
};

}  // namespace tvx::cli
