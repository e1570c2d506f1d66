#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/vehicle_choice.h"
#include "datadir/code_journal.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_port.h"
#include "session/live_pages.h"
#include "session/null_view.h"
#include "session/session.h"
#include "session/session_events.h"

namespace tvx::cli {

// How one operation of the headless tester ended, as the session's events told it.
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

// The tester without a window: the real Session, driven by the commands a mechanic would
// click, in the same order. Every request, screen rule and catalogue lookup is the
// session's own; this class only presses the buttons and learns the outcome from the
// session's events. It shows nothing (the session's screens go to a NullView), so it keeps
// no memory of a run however long. Single-threaded.
class HeadlessTester final : private session::SessionEvents {
public:
    HeadlessTester(link::SerialPort& port, link::Clock& clock, std::filesystem::path dataDirectory,
                   char languageCode);
    ~HeadlessTester() override;
    HeadlessTester(const HeadlessTester&) = delete;
    HeadlessTester& operator=(const HeadlessTester&) = delete;

    link::Link& link() { return m_link; }
    link::Requests& requests() { return m_requests; }
    // Further listeners (a workshop record) may be attached to the session.
    session::Session& session() { return m_session; }

    // Chooses the vehicle (as a click in PG1 or DG1), then connects as after "plug the box
    // in, OK": presence test, module probe, VIN, module menu. With demo, the DEMO button.
    Outcome connect(const std::optional<VehicleChoice>& vehicle, bool demo);
    // What the module probe of the last connection found.
    const session::ModuleProbe& moduleProbe() const { return m_probe; }
    // The VIN read after the probe (VinReading::read false when none was read).
    const session::VinReading& vin() const { return m_vin; }
    // True when the module menu offers the ICU button (diesel models with the unit).
    bool offersInjectorUnit() const { return m_probe.injectorUnitOffered; }

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
    // One polling cycle: every reading it made, in order, failed ones included. False when
    // polling stopped (the line was lost); the readings are then those made before.
    bool pollCycle(std::vector<session::LiveReading>& readings);

    // Read Injector on the ICU: the four slots, or ReadFailed.
    Outcome readInjectors();
    const session::InjectorCodes& injectorCodes() const { return m_injectors.codes; }

    // What the programming sequence asks of the operator. Each returns false to stop.
    struct ProgrammingPrompts {
        std::function<bool(const std::string& display)> ignition;  // key off / on, then OK
        std::function<bool(const std::string& display)> confirm;   // "ARE YOU SURE ?"
        std::function<void(int seconds)> countdown;                // a please-wait begins
    };
    struct Programming {
        Outcome outcome = Outcome::Ok;
        bool sent = false;  // the code went to the unit (before any later stop)
        // How the run ended, as the session told it (before, read-back, what the unit holds).
        std::optional<session::ProgrammingEnd> end;
    };
    // Prog Injector for one slot (1..4) with the typed code, through the ignition steps,
    // the entry screen and the confirmation, to the finished screen. Needs a read first.
    // With restore the run is kept as one that writes back an earlier code.
    Programming programInjector(int slot, const std::string& code,
                                const ProgrammingPrompts& prompts, bool restore = false);
    // OK on the finished screen: back to the module menu (the module scan runs again).
    Outcome backToModuleMenu();

private:
    // What the session told since the operation began.
    struct Heard {
        bool lineLost = false;
        std::optional<session::BoxProbe> box;
        std::optional<session::ModuleProbe> probe;
        std::optional<session::ModuleOpening> opened;
        std::optional<session::TroubleCodeRead> codes;
        std::optional<session::TroubleCodeClear> clear;
        const session::LivePage* page = nullptr;
        std::vector<session::LiveReading> readings;
        std::optional<session::LiveCycle> cycle;
        std::optional<session::InjectorRead> injectors;
        std::optional<session::Prompt> prompt;
        std::optional<session::ProgrammingEnd> programmed;
        bool written = false;  // a write request of a programming run went out
    };

    void boxProbed(const session::BoxProbe& e) override { m_heard.box = e; }
    void modulesProbed(const session::ModuleProbe& e) override;
    void vinRead(const session::VinReading& e) override { m_vin = e; }
    void moduleOpened(const session::ModuleOpening& e) override { m_heard.opened = e; }
    void troubleCodesRead(const session::TroubleCodeRead& e) override { m_heard.codes = e; }
    void troubleCodesCleared(const session::TroubleCodeClear& e) override { m_heard.clear = e; }
    void livePageStarted(const session::LivePageStart& e) override { m_heard.page = e.page; }
    void liveReading(const session::LiveReading& e) override { m_heard.readings.push_back(e); }
    void liveCycleEnded(const session::LiveCycle& e) override { m_heard.cycle = e; }
    void injectorCodesRead(const session::InjectorRead& e) override;
    void programmingStep(const session::ProgrammingStep& e) override;
    void programmingEnded(const session::ProgrammingEnd& e) override { m_heard.programmed = e; }
    void prompted(const session::Prompt& e) override { m_heard.prompt = e; }
    void countdownStarted(const session::Countdown& e) override;
    void lineLost() override { m_heard.lineLost = true; }

    // Forgets what was heard: a new operation begins.
    void listen() { m_heard = Heard{}; }
    void settle();
    // How a connection (or the return to the module menu) went.
    Outcome connectionOutcome() const;
    // Runs one command of the session until it waits: Ok when what was heard of it says it
    // SUCCEEDED, else FAILED (or LineLost).
    Outcome runCommand(const std::function<void()>& command, const std::function<bool()>& succeeded,
                       Outcome failed);

    link::Link m_link;
    link::Requests m_requests;
    session::NullView m_view;
    session::CodeJournal m_journal;  // the session's guard while no record is kept
    session::Session m_session;
    char m_languageCode;
    Heard m_heard;
    session::ModuleProbe m_probe;
    session::VinReading m_vin;
    session::InjectorRead m_injectors;
    const session::LivePage* m_page = nullptr;
    const ProgrammingPrompts* m_prompts = nullptr;  // during programInjector
};

// The four lines of a prompt, trimmed, joined by " / ".
std::string promptText(const session::Prompt& prompt);

}  // namespace tvx::cli
