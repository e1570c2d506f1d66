#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datadir/programming_guard.h"
#include "doctor/doctor.h"
#include "link/clock.h"
#include "link/injector_codes.h"
#include "link/link.h"
#include "link/module.h"
#include "link/port_info.h"
#include "link/requests.h"
#include "session/live_focus.h"
#include "session/live_pages.h"
#include "session/screens.h"
#include "session/session_events.h"
#include "session/session_state.h"
#include "session/session_view.h"

namespace tvx::session {

// The tester's diagnostic session: a state machine stepped one tick at a time, and the
// operator's commands. It owns no thread; SessionRunner drives it in the program, tests
// call step() and the commands directly. Everything it shows goes through the view; what
// happened is told to the listeners as events; every pause goes through the clock.
class Session {
public:
    Session(link::Link& link, link::Requests& requests, link::Clock& clock, SessionView& view,
            std::filesystem::path dataDirectory);

    // Listeners are told every event from now on, on the thread that runs the session.
    // Attach and detach them while the session is not running.
    void addListener(SessionEvents& listener);
    void removeListener(SessionEvents& listener);
    // What keeps the codes read from the injector unit safe before a programming run writes:
    // the workshop record, or the plain journal of the data directory where no record is
    // kept; the program that makes the session hands it over. Without one (nullptr) every
    // programming run is refused before anything is written. Set it while the session is
    // not running; returns the guard it replaces.
    ProgrammingGuard* setProgrammingGuard(ProgrammingGuard* guard);

    // One tick for the current state.
    void step();
    // True when the current state has nothing to do until a command moves it on.
    bool isWaiting() const;
    State state() const { return SessionState; }
    // Asks a step in progress to finish early (between two reads of a live page, between
    // two injector requests); used by SessionRunner::stop(). Cleared by clearAbort().
    void requestAbort() { m_abort = true; }
    void clearAbort() { m_abort = false; }
    // An operator's command waits: a live page in progress pauses after the read on the
    // line, so the command acts within one read; the pass goes on from there afterwards.
    // Thread-safe; cleared by clearYield() once the commands are taken.
    void requestYield() { m_yield = true; }
    void clearYield() { m_yield = false; }

    // Operator commands (the window's buttons and lists).
    void ok();
    void back();
    void demo();
    void setting();
    void selectCom(int index);       // a click in RGCom
    void selectLanguage(int index);  // a click in Language
    void selectPetrol(int index);    // a click in PG1
    void selectDiesel(int index);    // a click in DG1
    void live();
    void readDtc();
    void clearDtc();
    void readInjectors();
    void programInjectors();
    // The same steps as programInjectors(), for a run that writes back a code the unit
    // held before (the command-line tester's "injectors restore"); its guard keeps it as
    // such, so that a later restore never goes back to the code it replaced.
    void restoreInjectors();
    void selectModule(Module module);
    // Fast mode: only the reads that fill these gauges of the live page being polled go out,
    // in the page's order with its pauses; the other values are paused. An empty list polls
    // the whole page again, as does leaving the page (BACK, a module button, another page).
    // False, and nothing changes, when no page is polled or a gauge is not one of its own.
    bool focusLive(const std::vector<Gauge>& gauges);
    const LiveFocus& liveFocus() const { return m_focus; }
    void injectorPanelClick(int injector);                        // panel or label 1..4
    void injectorOk(int injector, const std::string& typedText);  // OK1, ok2..ok4
    // For a tester without the settings screens (the command-line tester): the port is
    // open and the vehicle chosen, so the session goes to the prompt to plug the box in,
    // where OK connects.
    void startAtPlugTheBox();

    // ---- Port list and connection doctor.
    // Where the port list (RGCom) learns which COM ports have a device and what each is:
    // the settings screen greys the empty ones and gives every item its hint. None (the
    // default): the list shows COM1..COM8 as they are. Called on the session's thread.
    using PortLister = std::function<std::vector<link::PortInfo>()>;
    void setPortLister(PortLister lister) { m_portLister = std::move(lister); }
    // Which modules the vehicle has, when something knows (the simulated vehicle): a module
    // it lacks is then reported as normal after a failed start.
    void setModuleExpectation(std::optional<ModuleExpectation> expected) {
        m_expected = std::move(expected);
    }
    // The settings screen's port list anew (a device plugged in or out); only while shown.
    void refreshPortList();
    // What the doctor found after the last failed start, until the next connection.
    const std::optional<Finding>& diagnosis() const { return m_finding; }
    // ----

    // Session data, named as the tester has always named it.
    char LanguageCode = '1';
    int ComPortIndex = 0;
    bool DieselSelected = false;
    std::uint8_t DtcCount = 0;
    InjectorCodes InjectorCode = blankInjectorCodes();
    std::array<InjectorBlock, 9> InjectorRaw{};  // blocks 1..8 in read order
    std::array<std::uint8_t, 3> InjectorAddress{};
    int SelectedInjector = 1;
    std::int16_t Countdown = 0;
    std::array<std::string, 4> SavedScreen{};
    std::uint8_t LastReplyByte = 0;

    // The list selections the session keeps for the window (-1 = none).
    int comSelection() const { return m_comSelection; }
    int languageSelection() const { return m_languageSelection; }
    int petrolSelection() const { return m_petrolSelection; }
    int dieselSelection() const { return m_dieselSelection; }
    // The module button that is down, if any.
    bool hasModuleDown() const { return m_moduleDown >= 0; }
    Module moduleDown() const { return static_cast<Module>(m_moduleDown); }
    const std::filesystem::path& dataDirectory() const { return m_dataDirectory; }

private:
    friend class SessionTestAccess;  // tests put a session straight into a state

    using StateAction = void (Session::*)();
    struct StateRow {
        State first;
        State last;
        StateAction action;
    };
    static const StateRow* findState(State state);
    // Whether the state has an action: a row of the table or a live page's state.
    static bool hasAction(State state);

    // State actions.
    void stateSplashToSettings();               // 0
    void stateReadSettings();                   // 1
    void stateSettingsScreen();                 // 2
    void stateConfirmSettings();                // 3
    void statePortFailed();                     // 4
    void stateCarType();                        // 6
    void stateConnect();                        // 8
    void stateConnectionFailed();               // 10
    void statePlugTheBox();                     // 13
    void stateEcuScan();                        // 14
    void stateConnectionFailure();              // 16
    void stateLiveDispatch();                   // 20, 21
    void stateLiveEntry(const LivePage& page);  // entry states of the live pages
    void stateLivePoll(const LivePage& page);   // polling states of the live pages
    void stateReadDtc();                        // 100..104
    void stateListDtc();                        // 109
    void stateClearDtc();                       // 110..114
    void stateReadInjectors();                  // 121
    void stateOfferProgramming();               // 122
    void stateIgnitionOff();                    // 142, 153
    void stateWaitCountdown();                  // 144, 147, 155, 158, 161
    void stateIgnitionOn();                     // 145, 156
    void stateEntryScreen();                    // 148
    void stateAreYouSure();                     // 150
    void stateProgram();                        // 152
    void stateFinished();                       // 159

    // Helpers.
    void setState(State state);
    void show(ScreenId screen);
    void showLine(int line, const std::string& text);
    void pause(unsigned ms);
    void setColour(std::uint32_t colour);
    // One frame of the work area on top, the others hidden ("" hides them all).
    void showOnlyFrame(std::string_view frame);
    void applyCaptions();
    void restoreSavedScreen();
    void saveScreen();
    void showLineLost();
    bool lineLost();
    void countdownStep(State target);
    void prompt(Prompt::Kind kind);
    template <typename Event>
    void notify(void (SessionEvents::*method)(const Event&), const Event& event) {
        for (SessionEvents* listener : m_listeners) {
            (listener->*method)(event);
        }
    }
    void emitLineLost();
    void setFocus(const LivePage& page, LiveFocus focus);
    void showInjectorProblem(int injector, CodeProblem problem);
    void showNamingInjector(ScreenId screen, int injector);
    void showInjectorOutcome(const ProgrammingEnd& end);
    void showMixedCode(const ProgrammingEnd& end);
    ProgrammingPlan programmingPlan(int injector) const;
    ProgrammingGuard& guard();
    bool guardCanKeep();
    void endRun(const ProgrammingEnd& end);
    // Reads the unit again after a write; fills the end's read-back and what it holds.
    void readUnitAgain(ProgrammingEnd& end);
    void showCodeBefore(int injector, bool visible);
    void showFailure(ScreenId screen, State nextState);
    void reportTroubleCodes(int module, bool ok, bool catalogueMissing,
                            std::vector<std::string> rows);
    int moduleNumber() const;  // 1..5 for the module button down, 0 for none or ICU
    // A read, listing or clear of trouble codes still to come.
    bool troubleCodeJobPending() const;
    // Starts a read or clear of the chosen module's codes: BUSY over the saved screen and
    // the job's state; false when no module is chosen or a job is pending.
    bool startTroubleCodeJob(ScreenId busy, State (*jobState)(int module));
    void selectModel(bool diesel, int index);  // a click in PG1 or DG1
    // The box or the car did not answer: the screen for a while, then waiting in NEXT.
    void showSilence(ScreenId screen, State next);
    bool openPort(int index);
    bool offersInjectorUnit() const;  // the chosen vehicle has an injector control unit
    void reportModuleProbe(bool carAnswered);
    // ---- Connection doctor (session_doctor.cpp).
    void showPortList();
    DoctorObservations observedLine() const;  // the port as it is open now
    void observePresence();                   // after a failed presence test
    void observeProbe();                      // after a failed module probe
    void observeSilentModule(Module module);  // after a module button got no answer
    void observeLineLost();
    void publishDiagnosis();  // the hint of the display, OK to see it on the display
    void showDiagnosis();
    void clearDiagnosis();
    // ----

    link::Link& m_link;
    link::Requests& m_requests;
    link::Clock& m_clock;
    SessionView& m_view;
    std::filesystem::path m_dataDirectory;

    std::vector<SessionEvents*> m_listeners;
    State SessionState = State::Start;
    std::array<std::string, 4> m_lines{};  // what d1..d4 show now
    std::string_view m_frameShown;         // the work-area frame on top, "" for none
    bool m_settled = false;                // the state's action ran and it now only waits
    int m_comSelection = -1;
    int m_languageSelection = 0;
    int m_petrolSelection = -1;
    int m_dieselSelection = -1;
    int m_modelIndex = -1;  // index of the last vehicle clicked, in its own list
    int m_moduleDown = -1;
    int m_listModule = 1;
    int m_programmedInjector = 1;  // the slot the programming run in progress writes  // the module
                                   // whose codes the listing (ListDtc) shows
    int m_openPortIndex = -1;
    bool m_portNeedsReopen = false;
    bool m_injectorBlocksRead = false;                 // the unit's block addresses are known
    InjectorCodes m_codesRead = blankInjectorCodes();  // as last read from the unit
    std::string m_programmedCode;                      // the run's code as written, upper-case
    std::string m_codeBefore;                          // the run's injector's code before it
    std::string m_vin;  // the VIN read after the module probe, "" when none
    ProgrammingGuard* m_guard = nullptr;
    bool m_restoreRun = false;          // the programming run in progress writes back an old code
    bool m_countdownAnnounced = false;  // the countdown in progress was told to the listeners
    std::size_t m_pollCursor = 0;       // next read of the live page's pass
    LiveFocus m_focus;                  // the reads of the page polled (fast mode)
    const LivePage* m_focusPage = nullptr;  // the page m_focus is of, while not whole
    PortLister m_portLister;
    std::optional<ModuleExpectation> m_expected;
    std::optional<DoctorObservations> m_seen;  // what the failed start saw, until published
    std::optional<Finding> m_finding;
    std::atomic<bool> m_abort = false;
    std::atomic<bool> m_yield = false;
};

}  // namespace tvx::session
