#include "session/session.h"

#include "session/catalogue.h"
#include "session/session_controls.h"

namespace tvx::session {

namespace {

constexpr std::uint16_t kDtcCountIdentifier = 0x0200;

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Trouble codes.

void Session::stateReadDtc() {
    const int module = SessionState - 99;
    pause(kDtcPauseMs);
    setColour(kGreen);
    // Rows of an earlier read would be taken for this car's codes: clear them first.
    for (int row = 1; row <= 6; ++row) {
        m_view.setGridRow(row, "");
    }
    bool failed = false;
    if (m_link.DemoMode) {
        DtcCount = 3;
    } else {
        m_requests.ReadParameter(kDtcCountIdentifier, module);
        failed = m_link.ReplyFailed != 0;
        DtcCount = failed ? 0 : m_requests.PidRecord[3];
    }
    if (!failed) {
        m_requests.ReadTroubleCodes(module);
        failed = !m_link.DemoMode && m_link.ReplyFailed != 0;
    }
    if (lineLost()) {
        return;
    }
    if (failed) {
        showFailure(ScreenId::DtcReadFailed, 15);
        return;
    }
    setState(109);
}

void Session::stateListDtc() {
    if (DtcCount == 0) {
        show(ScreenId::DtcNotFound);
        pause(kDtcPauseMs);
        restoreSavedScreen();
        setState(15);
        return;
    }
    m_view.setPanelVisible("Frame111", true);
    restoreSavedScreen();
    std::optional<Catalogue> catalogue =
        Catalogue::open(cataloguePath(m_dataDirectory, LanguageCode));
    if (!catalogue) {
        show(ScreenId::CatalogueMissing);
        pause(kDtcPauseMs);
        setState(15);
        return;
    }
    for (int slot = 1; slot <= 3; ++slot) {
        const std::uint16_t code = m_requests.TroubleCodes[slot];
        if (code == 0) {
            continue;
        }
        const std::string codeText = m_requests.FormatTroubleCode(code);
        std::optional<std::string> row = catalogue->find(codeText);
        m_view.setGridRow(slot, row ? *row : undefinedCodeRow(codeText, LanguageCode));
        m_view.repaint();
    }
    setState(15);
}

void Session::stateClearDtc() {
    const int module = SessionState - 109;
    m_requests.ClearTroubleCodes(module);
    if (lineLost()) {
        return;
    }
    if (!m_link.DemoMode && m_link.ReplyFailed != 0) {
        saveScreen();
        showFailure(ScreenId::DtcClearFailed, 15);
        return;
    }
    setState(15);
}

// A read (100..104), its listing (109) or a clear (110..114) still to come. Another command
// then would save the busy screen as the one to come back to, or replace the job waiting.
bool Session::troubleCodeJobPending() const {
    return (SessionState >= 100 && SessionState <= 104) ||
           (SessionState >= 109 && SessionState <= 114);
}

void Session::readDtc() {
    const int module = moduleNumber();
    if (module == 0 || troubleCodeJobPending()) {
        return;  // no module chosen (or the injector unit): nothing to read
    }
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121", "Frame131"});
    setColour(kYellow);
    saveScreen();
    show(ScreenId::ReadingDtcs);
    m_view.repaint();
    setState(99 + module);
}

void Session::clearDtc() {
    const int module = moduleNumber();
    if (module == 0 || troubleCodeJobPending()) {
        return;
    }
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121", "Frame131"});
    setColour(kYellow);
    saveScreen();
    show(ScreenId::DeletingDtcs);
    m_view.repaint();
    setState(109 + module);
    m_clock.sleepMs(kDtcPauseMs);
    setColour(kGreen);
    restoreSavedScreen();
}

}  // namespace tvx::session
