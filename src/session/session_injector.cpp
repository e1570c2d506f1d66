#include "session/session.h"

#include <algorithm>

#include "session/injector_unit.h"
#include "session/session_controls.h"

namespace tvx::session {

namespace {

// Countdown states and where each one goes when the count is out.
constexpr controls::Transition kCountdowns[] = {
    {State::PleaseWaitOff, State::IgnitionOn},
    {State::PleaseWaitOn, State::EntryScreen},
    {State::PleaseWaitOffAfter, State::IgnitionOnAfter},
    {State::PleaseWaitOnAfter, State::Finished},
    {State::PleaseWaitAfterWrite, State::IgnitionOffAfter},
};

// The ignition prompts and the state each waits in.
constexpr controls::Transition kIgnitionWaits[] = {
    {State::IgnitionOff, State::IgnitionOffWait},
    {State::IgnitionOn, State::IgnitionOnWait},
    {State::IgnitionOffAfter, State::IgnitionOffAfterWait},
    {State::IgnitionOnAfter, State::IgnitionOnAfterWait},
};

State waitingStateOf(State prompt) {
    for (const controls::Transition& t : kIgnitionWaits) {
        if (t.before == prompt) {
            return t.after;
        }
    }
    return prompt;
}

// Codes a demonstration shows instead of reading a unit; nothing goes to the port.
const InjectorCodes kDemoCodes = {"", "3A7C91E04B25D86F", "5E0B27C9A1F4386D", "C4192E7B06DA53F8",
                                  "7F2D8A4C39E105B6"};

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Injector control unit.

void Session::stateReadInjectors() {
    showOnlyFrame("Frame91");
    for (int n = 1; n <= 4; ++n) {
        m_view.setControlVisible(kEditBoxes[n], false);
        m_view.setControlVisible(kEditOks[n], false);
        showCodeBefore(n, false);
        m_view.setPanelColour(kInjectorPanels[n], kRed);
    }
    m_view.repaint();

    InjectorUnitRead read;
    bool ok = true;
    if (m_link.DemoMode) {
        read.codes = kDemoCodes;
    } else {
        ok = readInjectorUnit(m_requests, m_clock, read, [this] { return !m_abort; });
    }
    if (lineLost()) {
        return;
    }
    if (!ok) {
        // Nothing half-read is kept: programming refuses slots that were not read.
        InjectorCode = blankInjectorCodes();
        m_codesRead = InjectorCode;
        m_injectorBlocksRead = false;
        for (int n = 1; n <= 4; ++n) {
            m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
        }
        notify(&SessionEvents::injectorCodesRead, InjectorRead{false, InjectorCode, {}, false});
        show(ScreenId::InjectorReadFailed);
        setState(State::ModuleMenu);
        return;
    }
    InjectorRaw = read.blocks;
    InjectorAddress = read.blocks[8].address;
    InjectorCode = read.codes;
    m_codesRead = read.codes;
    m_injectorBlocksRead = true;
    for (int n = 1; n <= 4; ++n) {
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
    }
    notify(&SessionEvents::injectorCodesRead,
           InjectorRead{true, InjectorCode, InjectorRaw, m_link.DemoMode});
    m_view.setControlEnabled("OK", false);
    setState(State::OfferProgramming);
}

void Session::stateOfferProgramming() {
    m_view.setControlVisible("prog_inj", true);
    m_view.setControlEnabled("prog_inj", true);
    m_settled = true;
}

void Session::stateIgnitionOff() {
    if (SessionState == State::IgnitionOff && !m_link.DemoMode && !guardCanKeep()) {
        return;
    }
    showOnlyFrame("");
    m_view.setControlVisible("OK", true);
    m_view.setControlEnabled("OK", true);
    m_view.setControlVisible("BACK", true);
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("read_inj", false);
    m_view.setControlEnabled("prog_inj", false);
    show(ScreenId::IgnitionOff);
    Countdown = 31;
    m_countdownAnnounced = false;
    prompt(Prompt::Kind::IgnitionOff);
    setState(waitingStateOf(SessionState));
}

void Session::countdownStep(State target) {
    if (!m_countdownAnnounced && Countdown > 0) {
        m_countdownAnnounced = true;
        notify(&SessionEvents::countdownStarted, session::Countdown{Countdown});
    }
    if (Countdown != 0) {
        --Countdown;
    } else {
        setState(target);
    }
    // Two digits, a leading blank shown as '0', in characters 13 and 14 of the line.
    const int seconds = std::clamp<int>(Countdown, 0, 99);
    std::string line(kCountdownTemplate);
    line[12] = static_cast<char>('0' + seconds / 10);
    line[13] = static_cast<char>('0' + seconds % 10);
    showLine(4, line);
    pause(kCountdownStepMs);
}

void Session::stateWaitCountdown() {
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::PleaseWait);
    for (const Transition& countdown : kCountdowns) {
        if (countdown.before == SessionState) {
            countdownStep(countdown.after);
            return;
        }
    }
}

void Session::stateIgnitionOn() {
    show(ScreenId::IgnitionOn);
    Countdown = 16;
    m_countdownAnnounced = false;
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    prompt(Prompt::Kind::IgnitionOn);
    setState(waitingStateOf(SessionState));
}

void Session::stateEntryScreen() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    showOnlyFrame("Frame91");
    for (int n = 1; n <= 4; ++n) {
        m_view.setPanelColour(kInjectorPanels[n], n == 1 ? kPanelGreen : kRed);
        m_view.setControlVisible(kEditBoxes[n], n == 1);
        m_view.setControlVisible(kEditOks[n], n == 1);
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
        m_view.setEditText(kEditBoxes[n], InjectorCode[n]);
        // What the unit held, so an edit never hides the code it replaces.
        m_view.setCaption(kCodeBeforeLabels[n], codeBeforeText(m_codesRead[n], LanguageCode));
        showCodeBefore(n, n == 1);
    }
    SelectedInjector = 1;
    show(ScreenId::SelectInjector);
    prompt(Prompt::Kind::EnterCode);
    setState(State::EntryWait);
}

void Session::stateAreYouSure() {
    show(ScreenId::AreYouSure);
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    prompt(Prompt::Kind::Confirm);
    setState(State::AreYouSureWait);
}

void Session::showInjectorProblem(int injector, CodeProblem problem) {
    ScreenId id = ScreenId::CodeBadCharacter;
    switch (problem) {
        case CodeProblem::NotRead:
            id = ScreenId::CodeNotRead;
            break;
        case CodeProblem::TooShort:
            id = ScreenId::CodeTooShort;
            break;
        case CodeProblem::TooLong:
            id = ScreenId::CodeTooLong;
            break;
        case CodeProblem::BadCharacter:
        case CodeProblem::None:
            break;
    }
    showNamingInjector(id, injector);
}

// A red injector screen; '#' in its lines becomes the number on the injector's label.
void Session::showNamingInjector(ScreenId id, int injector) {
    const Screen& s = screen(id);
    setColour(kRed);
    const auto& lines = screenLines(s, LanguageCode);
    for (int line = 1; line <= 4; ++line) {
        std::string text = lines[line - 1];
        std::replace(text.begin(), text.end(), '#',
                     static_cast<char>('0' + injectorLabelNumber(injector)));
        showLine(line, text);
    }
}

void Session::showCodeBefore(int injector, bool visible) {
    m_view.setControlVisible(kCodeBeforeLabels[injector], visible);
}

namespace {

// The guard of a session that was handed none: nothing keeps the codes, so nothing is
// written to the unit.
class NoGuard final : public ProgrammingGuard {
public:
    bool beforeFirstWrite(const ProgrammingPlan&, std::string& whyNot) override {
        return canKeep(whyNot);
    }
    bool canKeep(std::string& whyNot) override {
        whyNot = "no journal or record keeps the codes read";
        return false;
    }
};

}  // namespace

ProgrammingGuard& Session::guard() {
    static NoGuard none;
    return m_guard != nullptr ? *m_guard : none;
}

// Before the ignition steps: a run whose codes could not be kept is refused now, not after
// the minute of prompts that leads to its first write.
bool Session::guardCanKeep() {
    ProgrammingEnd end;
    end.injector = std::clamp(SelectedInjector, 1, 4);
    end.result = ProgrammingEnd::Result::NotRecorded;
    if (guard().canKeep(end.whyNot)) {
        return true;
    }
    notify(&SessionEvents::programmingEnded, end);
    showInjectorOutcome(end);
    return false;
}

// The end of a run that passed its guard: kept by the guard, told to the listeners.
void Session::endRun(const ProgrammingEnd& end) {
    guard().runEnded(end);
    notify(&SessionEvents::programmingEnded, end);
}

ProgrammingPlan Session::programmingPlan(int injector) const {
    ProgrammingPlan plan;
    plan.injector = injector;
    plan.newCode = m_programmedCode;
    plan.codesRead = codesOfBlocks(InjectorRaw);
    plan.oldCode = plan.codesRead[static_cast<std::size_t>(injector)];
    plan.blocks = InjectorRaw;
    plan.vin = m_vin;
    plan.keepGoing = [this] { return !m_abort; };
    plan.restore = m_restoreRun;
    if (m_modelIndex >= 0) {
        const auto models = DieselSelected ? dieselModels() : petrolModels();
        if (m_modelIndex < static_cast<int>(models.size())) {
            plan.vehicle = models[static_cast<std::size_t>(m_modelIndex)];
        }
    }
    return plan;
}

namespace {

UnitHolds unitHolds(const std::string& readBack, const std::string& before,
                    const std::string& written) {
    if (readBack == written) {
        return UnitHolds::NewCode;
    }
    return readBack == before ? UnitHolds::OldCode : UnitHolds::Mixed;
}

}  // namespace

void Session::readUnitAgain(ProgrammingEnd& end) {
    InjectorUnitRead read;
    if (!readInjectorUnit(m_requests, m_clock, read, [this] { return !m_abort; })) {
        end.holds = UnitHolds::NotRead;
        return;
    }
    InjectorRaw = read.blocks;
    InjectorCode = read.codes;
    m_codesRead = read.codes;
    for (int n = 1; n <= 4; ++n) {
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
    }
    notify(&SessionEvents::injectorCodesRead, InjectorRead{true, InjectorCode, InjectorRaw, false});
    end.readBack = read.codes[static_cast<std::size_t>(end.injector)];
    end.holds = unitHolds(end.readBack, end.before, m_programmedCode);
}

// The mixed-code screen: each half of the code read back, and whether it is the new
// code's, the old code's or neither.
void Session::showMixedCode(const ProgrammingEnd& end) {
    showNamingInjector(ScreenId::MixedCode, end.injector);
    for (int half = 1; half <= 2; ++half) {
        const std::size_t from = half == 1 ? 0 : 8;
        const std::string part = end.readBack.substr(from, 8);
        const HalfIs is = part == m_programmedCode.substr(from, 8) ? HalfIs::New
                          : part == end.before.substr(from, 8)     ? HalfIs::Old
                                                                   : HalfIs::Neither;
        std::string line = m_lines[static_cast<std::size_t>(half)];
        line.replace(line.find("HHHHHHHH"), 8, part);
        line.replace(line.find("SSSS"), 4, halfText(is, LanguageCode));
        showLine(half + 1, line);
    }
}

// The red screen that says what the unit holds after a run that did not simply finish.
void Session::showInjectorOutcome(const ProgrammingEnd& end) {
    using Result = ProgrammingEnd::Result;
    const int n = end.injector;
    if (end.result == Result::NotRecorded) {
        showNamingInjector(ScreenId::CodesNotKept, n);
    } else if (end.result == Result::NotVerified) {
        showNamingInjector(ScreenId::WrittenNotVerified, n);
    } else if (!end.writeSent) {
        showNamingInjector(ScreenId::ProgrammingFailed, n);
    } else {
        switch (end.holds) {
            case UnitHolds::OldCode:
                showNamingInjector(
                    end.restoreTried ? ScreenId::OldCodeRestored : ScreenId::UnitKeptOldCode, n);
                break;
            case UnitHolds::NewCode:
                showNamingInjector(ScreenId::NewCodeAfterFailure, n);
                break;
            case UnitHolds::Mixed:
                showMixedCode(end);
                break;
            case UnitHolds::NotRead:
                showNamingInjector(ScreenId::UnitNotReadAfterFailure, n);
                break;
        }
    }
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", false);
    setState(State::FinishedWait);
}

void Session::stateProgram() {
    const int n = std::clamp(SelectedInjector, 1, 4);
    SelectedInjector = n;
    CodeCheck check = checkInjectorCode(InjectorCode[n]);
    if (!m_injectorBlocksRead) {
        // Without a read the unit's block addresses are unknown: nothing may be written.
        check.problem = CodeProblem::NotRead;
    }
    ProgrammingEnd end;
    end.injector = n;
    end.problem = check.problem;
    end.code = InjectorCode[n];
    end.demo = m_link.DemoMode;
    if (check.problem != CodeProblem::None) {
        // Nothing has been sent: the code would program a wrong correction.
        end.result = ProgrammingEnd::Result::Refused;
        notify(&SessionEvents::programmingEnded, end);
        showInjectorProblem(n, check.problem);
        m_view.setControlEnabled("OK", true);
        m_view.setControlEnabled("BACK", false);
        setState(State::FinishedWait);
        return;
    }
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    m_view.repaint();
    m_programmedInjector = n;
    m_programmedCode = injectorCodeText(check.bytes);
    if (m_link.DemoMode) {
        // The screens of the sequence without a unit to write to.
        m_codeBefore = InjectorCode[n];
        setState(State::PleaseWaitAfterWrite);
        return;
    }
    // The codes read from the unit are on disk before the first byte is written to it.
    const ProgrammingPlan plan = programmingPlan(n);
    m_codeBefore = plan.oldCode;
    end.before = plan.oldCode;
    if (!guard().beforeFirstWrite(plan, end.whyNot)) {
        end.result = ProgrammingEnd::Result::NotRecorded;
        notify(&SessionEvents::programmingEnded, end);
        showInjectorOutcome(end);
        return;
    }
    const auto keepGoing = [this] { return !m_abort; };
    const auto onStep = [this, n](bool restore) {
        return [this, n, restore](const UnitStep& step) {
            notify(&SessionEvents::programmingStep,
                   ProgrammingStep{n, step.half, step.request, step.ok, restore});
        };
    };
    const UnitWrite written = writeInjectorHalves(m_requests, m_clock, InjectorRaw, n, check.bytes,
                                                  Halves{}, keepGoing, onStep(false));
    end.writeSent = written.anyWriteSent();
    if (written.ok) {
        setState(State::PleaseWaitAfterWrite);
        return;
    }
    if (end.writeSent && !lineLost()) {
        if (!(written.stored[1] && written.stored[2])) {
            // Part of the new code may be in the unit: the halves it may have changed get
            // their old bytes back, once.
            end.restoreTried = true;
            writeInjectorHalves(
                m_requests, m_clock, InjectorRaw, n, codeBytesOfBlocks(InjectorRaw, n),
                Halves{written.writeSent[1], written.writeSent[2]}, keepGoing, onStep(true));
        }
        if (!lineLost()) {
            readUnitAgain(end);
        }
    }
    endRun(end);
    if (lineLost()) {
        return;
    }
    showInjectorOutcome(end);
}

void Session::stateFinished() {
    const int n = m_programmedInjector;
    ProgrammingEnd end;
    end.injector = n;
    end.result = ProgrammingEnd::Result::Finished;
    end.code = m_programmedCode;
    end.demo = m_link.DemoMode;
    end.before = m_codeBefore;
    end.writeSent = true;
    if (m_link.DemoMode) {
        end.readBack = m_programmedCode;
        end.holds = UnitHolds::NewCode;
    } else {
        // The code as the unit keeps it after the ignition was off and on again.
        m_view.repaint();
        readUnitAgain(end);
        if (lineLost()) {
            end.result = ProgrammingEnd::Result::NotVerified;
            endRun(end);
            return;
        }
        if (end.holds == UnitHolds::NotRead) {
            end.result = ProgrammingEnd::Result::NotVerified;
        } else if (end.holds != UnitHolds::NewCode) {
            end.result = ProgrammingEnd::Result::Failed;
        }
    }
    if (m_link.DemoMode) {
        notify(&SessionEvents::programmingEnded, end);
    } else {
        endRun(end);
    }
    if (end.result != ProgrammingEnd::Result::Finished) {
        showInjectorOutcome(end);
        return;
    }
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    show(ScreenId::ProgrammingFinished);
    setState(State::FinishedWait);
}

void Session::readInjectors() {
    setState(State::ReadInjectors);
}

void Session::programInjectors() {
    m_restoreRun = false;
    setState(State::IgnitionOff);
}

void Session::restoreInjectors() {
    m_restoreRun = true;
    setState(State::IgnitionOff);
}

void Session::injectorPanelClick(int injector) {
    if (SessionState != State::EntryWait || injector < 1 || injector > 4) {
        return;
    }
    for (int n = 1; n <= 4; ++n) {
        m_view.setPanelColour(kInjectorPanels[n], n == injector ? kPanelGreen : kRed);
        m_view.setControlVisible(kEditBoxes[n], n == injector);
        m_view.setControlVisible(kEditOks[n], n == injector);
        showCodeBefore(n, n == injector);
    }
    SelectedInjector = injector;
}

void Session::injectorOk(int injector, const std::string& typedText) {
    if (injector < 1 || injector > 4) {
        return;
    }
    // Kept whole: a text longer than a code is refused when programming, never cut to fit.
    m_view.setGauge(kInjectorLines[injector], typedText);
    InjectorCode[injector] = typedText;
}

}  // namespace tvx::session
