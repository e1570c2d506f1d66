#include "session/session.h"

#include <algorithm>

#include "session/injector_unit.h"
#include "session/session_controls.h"

namespace tvx::session {

namespace {

// Countdown states and where each one goes when the count is out.
constexpr controls::Transition kCountdowns[] = {
    {144, 145}, {147, 148}, {155, 156}, {158, 159}, {161, 153}};

// Codes a demonstration shows instead of reading a unit; nothing goes to the port.
const InjectorCodes kDemoCodes = {"", "3A7C91E04B25D86F", "5E0B27C9A1F4386D", "C4192E7B06DA53F8",
                                  "7F2D8A4C39E105B6"};

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Injector control unit.

void Session::stateReadInjectors() {
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame101", "Frame111",
                "Frame131"});
    m_view.setPanelVisible("Frame91", true);
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
        show(ScreenId::InjectorReadFailed);
        setState(15);
        return;
    }
    InjectorRaw = read.blocks;
    InjectorAddress = read.blocks[8].address;
    InjectorCode = read.codes;
    m_injectorBlocksRead = true;
    for (int n = 1; n <= 4; ++n) {
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
    }
    m_view.setControlEnabled("OK", false);
    setState(122);
}

void Session::stateOfferProgramming() {
    m_view.setControlVisible("prog_inj", true);
    m_view.setControlEnabled("prog_inj", true);
    m_settledState = 122;
}

void Session::stateIgnitionOff() {
    for (std::string_view frame : kDataFrames) {
        m_view.setPanelVisible(frame, false);
    }
    m_view.setControlVisible("OK", true);
    m_view.setControlEnabled("OK", true);
    m_view.setControlVisible("BACK", true);
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("read_inj", false);
    m_view.setControlEnabled("prog_inj", false);
    show(ScreenId::IgnitionOff);
    Countdown = 31;
    setState(SessionState + 1);
}

void Session::countdownStep(int target) {
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
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    setState(SessionState + 1);
}

void Session::stateEntryScreen() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    m_view.setPanelVisible("Frame91", true);
    for (int n = 1; n <= 4; ++n) {
        m_view.setPanelColour(kInjectorPanels[n], n == 1 ? kPanelGreen : kRed);
        m_view.setControlVisible(kEditBoxes[n], n == 1);
        m_view.setControlVisible(kEditOks[n], n == 1);
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
        m_view.setEditText(kEditBoxes[n], InjectorCode[n]);
    }
    SelectedInjector = 1;
    show(ScreenId::SelectInjector);
    setState(149);
}

void Session::stateAreYouSure() {
    show(ScreenId::AreYouSure);
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    setState(151);
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
    if (check.problem != CodeProblem::None) {
        // Nothing has been sent: the code would program a wrong correction.
        showInjectorProblem(n, check.problem);
        m_view.setControlEnabled("OK", true);
        m_view.setControlEnabled("BACK", false);
        setState(160);
        return;
    }
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    m_view.repaint();
    if (m_link.DemoMode) {
        setState(161);  // the screens of the sequence without a unit to write to
        return;
    }
    if (!programInjectorUnit(m_requests, m_clock, InjectorRaw, n, check.bytes,
                             [this] { return !m_abort; })) {
        if (lineLost()) {
            return;
        }
        showNamingInjector(ScreenId::ProgrammingFailed, n);
        m_view.setControlEnabled("OK", true);
        setState(160);
        return;
    }
    setState(161);
}

void Session::stateFinished() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    show(ScreenId::ProgrammingFinished);
    setState(160);
}

void Session::readInjectors() {
    setState(121);
}

void Session::programInjectors() {
    setState(142);
}

void Session::injectorPanelClick(int injector) {
    if (SessionState != 149 || injector < 1 || injector > 4) {
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
