#include "cli/headless_tester.h"

#include <algorithm>

#include "cli/module_choice.h"
#include "link/system_port.h"

namespace tvx::cli {
namespace {

using session::ScreenId;

// Session states the tester waits in or steers by.
constexpr int kPlugTheBox = 13;  // "connect the box ... and click OK", entered directly
constexpr int kModuleMenu = 15;  // "SELECT THE ECU"
constexpr int kBoxSilent = 11;   // after "CONNECTION FAILED ... TURN KEY ON"
constexpr int kInjectorsRead = 122;
constexpr int kEntryScreen = 149;  // select injector and type its code
constexpr int kAreYouSure = 151;
constexpr int kSequenceEnd = 160;  // finished, failed or refused: OK returns to the menu
constexpr int kIgnitionPrompts[] = {143, 146, 154, 157};
constexpr int kCountdowns[] = {144, 147, 155, 158, 161};
constexpr int kFirstWriteState = 152;

// No operation of the tester takes this many steps; more means a session that never
// settles, which is reported instead of hanging.
constexpr int kMaxSteps = 100000;

bool contains(std::span<const int> states, int state) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

// A line the session showed against a line of a screen; '#' stands for an injector number.
bool sameLine(const std::string& shown, const char* pattern) {
    const std::string_view p(pattern);
    if (shown.size() != p.size()) {
        return false;
    }
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] != '#' && p[i] != shown[i]) {
            return false;
        }
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

HeadlessTester::HeadlessTester(link::SerialPort& port, link::Clock& clock,
                               std::filesystem::path dataDirectory, char languageCode)
    : m_link(port, clock),
      m_requests(m_link),
      m_session(m_link, m_requests, clock, m_view, std::move(dataDirectory)),
      m_languageCode(languageCode) {}

void HeadlessTester::settle() {
    for (int i = 0; i < kMaxSteps && !m_session.isWaiting(); ++i) {
        m_session.step();
    }
}

bool HeadlessTester::shownSince(ScreenId id, std::size_t fromLine) const {
    const auto& lines = session::screenLines(session::screen(id), m_languageCode);
    const auto& log = m_view.lineLog;
    for (std::size_t i = fromLine; i + 1 < log.size(); ++i) {
        if (log[i].first == 1 && sameLine(log[i].second, lines[0]) && log[i + 1].first == 2 &&
            sameLine(log[i + 1].second, lines[1])) {
            return true;
        }
    }
    return false;
}

Outcome HeadlessTester::menuOutcome(std::size_t fromLine) const {
    if (shownSince(ScreenId::LineLost, fromLine)) {
        return Outcome::LineLost;
    }
    if (m_session.SessionState == kModuleMenu) {
        return Outcome::Ok;
    }
    return m_session.SessionState == kBoxSilent ? Outcome::NoBox : Outcome::NoCar;
}

Outcome HeadlessTester::connect(const std::optional<VehicleChoice>& vehicle, bool demo) {
    m_session.LanguageCode = m_languageCode;
    if (vehicle) {
        if (vehicle->diesel) {
            m_session.selectDiesel(vehicle->index);
        } else {
            m_session.selectPetrol(vehicle->index);
        }
    }
    const std::size_t from = lineMark();
    if (demo) {
        m_session.demo();
        settle();
        return menuOutcome(from);
    }
    // The port is open and the vehicle chosen: the session starts at the prompt to plug the
    // box in, and OK there connects exactly as in the window.
    m_session.SessionState = kPlugTheBox;
    settle();
    m_session.ok();
    settle();
    return menuOutcome(from);
}

Outcome HeadlessTester::openModule(session::Module module) {
    if (module != session::Module::Icu &&
        m_link.ModuleProtocol[static_cast<std::size_t>(moduleNumber(module))] == 0) {
        return Outcome::ModuleAbsent;
    }
    const std::size_t from = lineMark();
    m_session.selectModule(module);
    settle();
    const Outcome outcome = menuOutcome(from);
    return outcome == Outcome::NoCar ? Outcome::ModuleSilent : outcome;
}

HeadlessTester::DtcList HeadlessTester::readDtc() {
    DtcList list;
    const std::size_t from = lineMark();
    m_session.readDtc();
    settle();
    if (shownSince(ScreenId::LineLost, from)) {
        list.outcome = Outcome::LineLost;
        return list;
    }
    if (shownSince(ScreenId::DtcReadFailed, from)) {
        list.outcome = Outcome::ReadFailed;
        return list;
    }
    list.count = m_session.DtcCount;
    if (shownSince(ScreenId::DtcNotFound, from)) {
        return list;
    }
    list.catalogueMissing = shownSince(ScreenId::CatalogueMissing, from);
    for (int slot = 1; slot <= 3; ++slot) {
        const std::uint16_t code = m_requests.TroubleCodes[static_cast<std::size_t>(slot)];
        if (code == 0) {
            continue;
        }
        list.codes.push_back(m_requests.FormatTroubleCode(code));
        const std::string& row = m_view.gridRows[static_cast<std::size_t>(slot)];
        if (!row.empty()) {
            list.rows.push_back(row);
        }
    }
    return list;
}

Outcome HeadlessTester::clearDtc() {
    const std::size_t from = lineMark();
    m_session.clearDtc();
    settle();
    if (shownSince(ScreenId::LineLost, from)) {
        return Outcome::LineLost;
    }
    return shownSince(ScreenId::DtcClearFailed, from) ? Outcome::WriteFailed : Outcome::Ok;
}

const session::LivePage* HeadlessTester::startLive() {
    m_session.live();
    m_page = nullptr;
    // The dispatch chooses the page, its entry lays it out; then the polling state follows.
    for (int i = 0; i < 3 && m_page == nullptr && !m_session.isWaiting(); ++i) {
        m_session.step();
        const session::LivePage* page = session::livePageForState(m_session.SessionState);
        if (page != nullptr && page->pollState == m_session.SessionState) {
            m_page = page;
        }
    }
    return m_page;
}

bool HeadlessTester::pollCycle(std::vector<std::pair<std::string, std::string>>& writes) {
    writes.clear();
    if (m_page == nullptr || m_session.SessionState != m_page->pollState) {
        return false;
    }
    const std::size_t from = m_view.gaugeLog.size();
    m_session.step();
    writes.assign(m_view.gaugeLog.begin() + static_cast<std::ptrdiff_t>(from),
                  m_view.gaugeLog.end());
    return m_session.SessionState == m_page->pollState;
}

Outcome HeadlessTester::readInjectors() {
    const std::size_t from = lineMark();
    m_session.readInjectors();
    settle();
    if (shownSince(ScreenId::LineLost, from)) {
        return Outcome::LineLost;
    }
    return m_session.SessionState == kInjectorsRead ? Outcome::Ok : Outcome::ReadFailed;
}

HeadlessTester::Programming HeadlessTester::programInjector(int slot, const std::string& code,
                                                            const ProgrammingPrompts& prompts) {
    Programming result;
    const std::size_t from = lineMark();
    m_session.programInjectors();
    int previous = -1;
    for (int i = 0; i < kMaxSteps; ++i) {
        const int state = m_session.SessionState;
        result.sent = result.sent || state == kFirstWriteState;
        if (!m_session.isWaiting()) {
            if (contains(kCountdowns, state) && state != previous && m_session.Countdown > 0 &&
                prompts.countdown) {
                prompts.countdown(m_session.Countdown);
            }
            previous = state;
            m_session.step();
            continue;
        }
        previous = state;
        if (contains(kIgnitionPrompts, state)) {
            if (!prompts.ignition(displayText())) {
                result.outcome = Outcome::Cancelled;
                return result;
            }
            m_session.ok();
        } else if (state == kEntryScreen) {
            m_session.injectorPanelClick(slot);
            m_session.injectorOk(slot, code);
            m_session.ok();
        } else if (state == kAreYouSure) {
            if (!prompts.confirm(displayText())) {
                result.outcome = Outcome::Cancelled;
                return result;
            }
            m_session.ok();
        } else if (state == kSequenceEnd) {
            if (shownSince(ScreenId::ProgrammingFinished, from)) {
                result.outcome = Outcome::Ok;
            } else if (shownSince(ScreenId::ProgrammingFailed, from)) {
                result.outcome = Outcome::WriteFailed;
            } else {
                result.outcome = Outcome::CodeRefused;
                result.sent = false;
            }
            return result;
        } else {
            result.outcome =
                shownSince(ScreenId::LineLost, from) ? Outcome::LineLost : Outcome::WriteFailed;
            return result;
        }
    }
    result.outcome = Outcome::WriteFailed;
    return result;
}

Outcome HeadlessTester::backToModuleMenu() {
    const std::size_t from = lineMark();
    m_session.ok();
    settle();
    return menuOutcome(from);
}

std::string HeadlessTester::displayText() const {
    std::string text;
    for (const std::string& line : m_view.lines) {
        const std::string part = trimmed(line);
        if (part.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += " / ";
        }
        text += part;
    }
    return text;
}

bool HeadlessTester::vehicleHasInjectorUnit(const VehicleChoice& vehicle) {
    link::VirtualClock clock;
    const auto port = link::makeSystemPort();  // never opened: demo mode sends nothing
    HeadlessTester tester(*port, clock, {}, '1');
    return tester.connect(vehicle, true) == Outcome::Ok && tester.offersInjectorUnit();
}

}  // namespace tvx::cli
