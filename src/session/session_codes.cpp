#include "session/session.h"

#include "datadir/catalogue.h"
#include "session/session_controls.h"

namespace tvx::session {
namespace {

// A grid row begins with the code; the catalogue's description (or the undefined-code
// text) follows it.
std::string descriptionOf(const std::string& row, const std::string& code) {
    std::string text = row.starts_with(code) ? row.substr(code.size()) : row;
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

constexpr std::uint16_t kDtcCountIdentifier = 0x0200;

}  // namespace

using namespace controls;

// ---------------------------------------------------------------------------------------
// Trouble codes.

void Session::stateReadDtc() {
    const int module = moduleOfReadDtc(SessionState);
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
        reportTroubleCodes(module, false, false, {});
        showFailure(ScreenId::DtcReadFailed, State::ModuleMenu);
        return;
    }
    m_listModule = module;
    setState(State::ListDtc);
}

void Session::reportTroubleCodes(int module, bool ok, bool catalogueMissing,
                                 std::vector<std::string> rows) {
    TroubleCodeRead read;
    read.module = module;
    read.ok = ok;
    read.demo = m_link.DemoMode;
    read.languageCode = LanguageCode;
    read.catalogueMissing = catalogueMissing;
    if (ok) {
        read.count = DtcCount;
        for (int slot = 1; slot <= 3 && DtcCount != 0; ++slot) {
            const std::uint16_t code = m_requests.TroubleCodes[static_cast<std::size_t>(slot)];
            if (code != 0) {
                read.codes.push_back(code);
                read.codeTexts.push_back(m_requests.FormatTroubleCode(code));
            }
        }
        for (std::size_t i = 0; i < rows.size() && i < read.codeTexts.size(); ++i) {
            read.descriptions.push_back(descriptionOf(rows[i], read.codeTexts[i]));
        }
        read.rows = std::move(rows);
    }
    notify(&SessionEvents::troubleCodesRead, read);
}

void Session::stateListDtc() {
    if (DtcCount == 0) {
        reportTroubleCodes(m_listModule, true, false, {});
        show(ScreenId::DtcNotFound);
        pause(kDtcPauseMs);
        restoreSavedScreen();
        setState(State::ModuleMenu);
        return;
    }
    showOnlyFrame("Frame111");
    restoreSavedScreen();
    std::optional<Catalogue> catalogue =
        Catalogue::open(cataloguePath(m_dataDirectory, LanguageCode));
    if (!catalogue) {
        reportTroubleCodes(m_listModule, true, true, {});
        show(ScreenId::CatalogueMissing);
        pause(kDtcPauseMs);
        setState(State::ModuleMenu);
        return;
    }
    std::vector<std::string> rows;
    for (int slot = 1; slot <= 3; ++slot) {
        const std::uint16_t code = m_requests.TroubleCodes[slot];
        if (code == 0) {
            continue;
        }
        const std::string codeText = m_requests.FormatTroubleCode(code);
        std::optional<std::string> row = catalogue->find(codeText);
        rows.push_back(row ? *row : undefinedCodeRow(codeText, LanguageCode));
        m_view.setGridRow(slot, rows.back());
        m_view.repaint();
    }
    reportTroubleCodes(m_listModule, true, false, std::move(rows));
    setState(State::ModuleMenu);
}

void Session::stateClearDtc() {
    const int module = moduleOfClearDtc(SessionState);
    m_requests.ClearTroubleCodes(module);
    if (lineLost()) {
        return;
    }
    const bool ok = m_link.DemoMode || m_link.ReplyFailed == 0;
    notify(&SessionEvents::troubleCodesCleared, TroubleCodeClear{module, ok, m_link.DemoMode});
    if (!ok) {
        saveScreen();
        showFailure(ScreenId::DtcClearFailed, State::ModuleMenu);
        return;
    }
    setState(State::ModuleMenu);
}

// A read (100..104), its listing (109) or a clear (110..114) still to come. Another command
// then would save the busy screen as the one to come back to, or replace the job waiting.
bool Session::troubleCodeJobPending() const {
    return inRange(SessionState, State::ReadDtcPcm, State::ReadDtcCluster) ||
           inRange(SessionState, State::ListDtc, State::ClearDtcCluster);
}

bool Session::startTroubleCodeJob(ScreenId busy, State (*jobState)(int module)) {
    const int module = moduleNumber();
    if (module == 0 || troubleCodeJobPending()) {
        return false;  // no module chosen (or the injector unit): nothing to do
    }
    showOnlyFrame("");
    setColour(kYellow);
    saveScreen();
    show(busy);
    m_view.repaint();
    setState(jobState(module));
    return true;
}

void Session::readDtc() {
    startTroubleCodeJob(ScreenId::ReadingDtcs, readDtcState);
}

void Session::clearDtc() {
    if (!startTroubleCodeJob(ScreenId::DeletingDtcs, clearDtcState)) {
        return;
    }
    m_clock.sleepMs(kDtcPauseMs);
    setColour(kGreen);
    restoreSavedScreen();
}

}  // namespace tvx::session
