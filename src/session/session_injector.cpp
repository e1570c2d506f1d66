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

void Session::stateProgram() {
    const int n = std::clamp(SelectedInjector, 1, 4);
    SelectedInjector = n;
    CodeCheck check = checkInjectorCode(InjectorCode[n]);
    if (!m_injectorBlocksRead) {
        // Without a read the unit's block addresses are unknown: nothing may be written.
        check.problem = CodeProblem::NotRead;
    }
    ProgrammingEnd end{n, ProgrammingEnd::Result::Failed, check.problem, InjectorCode[n],
                       m_link.DemoMode};
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
    if (m_link.DemoMode) {
        // The screens of the sequence without a unit to write to.
        setState(State::PleaseWaitAfterWrite);
        return;
    }
    const bool written = programInjectorUnit(
        m_requests, m_clock, InjectorRaw, n, check.bytes, [this] { return !m_abort; },
        [this, n](const UnitStep& step) {
            notify(&SessionEvents::programmingStep,
                   ProgrammingStep{n, step.half, step.request, step.ok});
        });
    if (!written) {
        notify(&SessionEvents::programmingEnded, end);
        if (lineLost()) {
            return;
        }
        showNamingInjector(ScreenId::ProgrammingFailed, n);
        m_view.setControlEnabled("OK", true);
        setState(State::FinishedWait);
        return;
    }
    setState(State::PleaseWaitAfterWrite);
}

void Session::stateFinished() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    show(ScreenId::ProgrammingFinished);
    const int n = m_programmedInjector;
    notify(&SessionEvents::programmingEnded,
           ProgrammingEnd{n, ProgrammingEnd::Result::Finished, CodeProblem::None,
                          InjectorCode[static_cast<std::size_t>(n)], m_link.DemoMode});
    setState(State::FinishedWait);
}

void Session::readInjectors() {
    setState(State::ReadInjectors);
}

void Session::programInjectors() {
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
