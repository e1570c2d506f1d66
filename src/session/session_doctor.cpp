// The connection doctor inside the session: the port list's greyed items and hints, and
// after a failed start the diagnosis as the hint of the display and, on OK, on the display.
// It only looks at what the start already did (and reads stray bytes); it sends nothing.
#include "doctor/doctor_run.h"
#include "session/screens.h"
#include "session/session.h"

namespace tvx::session {
namespace {

constexpr std::string_view kDisplayLines[] = {"d1", "d2", "d3", "d4"};
constexpr std::size_t kMostStrayBytes = 8;

std::string itemName(int index) {
    return "RGCom_" + std::to_string(index);
}

std::string itemHint(const std::optional<link::PortInfo>& port, int index, char languageCode) {
    const std::string com = link::comName(index);
    if (!port) {
        return languageCode == '2'
                   ? com + ": aygıt yok. Kutunun USB çeviricisini takın; liste kendini yeniler."
                   : com + ": no device. Plug in the box's USB adapter; the list follows.";
    }
    std::string hint = com + ": ";
    if (port->kind != link::PortKind::Simulated) {
        hint += port->device + " - ";
    }
    hint += link::describePort(*port, languageCode);
    if (!port->alias.empty() && port->alias != port->device) {
        hint += " (" + port->alias + ")";
    }
    return hint;
}

}  // namespace

void Session::showPortList() {
    if (!m_portLister) {
        return;
    }
    const auto byIndex = link::portsByIndex(m_portLister());
    for (int index = 0; index < 8; ++index) {
        const auto& port = byIndex[static_cast<std::size_t>(index)];
        m_view.setControlEnabled(itemName(index), port.has_value());
        m_view.setHint(itemName(index), itemHint(port, index, LanguageCode));
    }
}

void Session::refreshPortList() {
    if (SessionState == State::SettingsScreen) {
        showPortList();
    }
}

DoctorObservations Session::observedLine() const {
    DoctorObservations seen;
    seen.opened = true;
    const std::string com = link::comName(m_openPortIndex);
    const std::string device = m_link.port().deviceName();
    seen.port = device.empty() || device == com ? com
                : com.empty()                   ? device
                                                : com + " (" + device + ")";
    if (m_portLister) {
        seen.present = m_portLister();
    }
    seen.expected = m_expected;
    seen.latencyTimerMs = m_link.port().latencyTimerMs();
    return seen;
}

void Session::observePresence() {
    DoctorObservations seen = observedLine();
    if (m_link.LineLost) {
        seen.presence = PresenceResult::LineFailed;
    } else if (m_link.ReadTimedOut != 0) {
        seen.presence = PresenceResult::Silent;
    } else {
        // Something answered, not as the box does: keep what else it says, briefly.
        seen.presence = PresenceResult::WrongByte;
        seen.received.push_back(m_link.ReplyBuffer[0]);
        const std::uint64_t end = m_clock.nowMs() + kStrayListenMs;
        for (std::uint64_t now = m_clock.nowMs();
             now < end && seen.received.size() < kMostStrayBytes && !m_link.LineLost;
             now = m_clock.nowMs()) {
            const std::uint8_t byte = m_link.ReceiveByte(static_cast<std::uint16_t>(end - now));
            if (m_link.ReadTimedOut != 0) {
                break;
            }
            seen.received.push_back(byte);
        }
    }
    m_seen = seen;
}

void Session::observeProbe() {
    DoctorObservations seen = observedLine();
    seen.presence = PresenceResult::Answered;
    seen.probeRun = true;
    seen.probeLineFailed = m_link.LineLost;
    seen.protocols = m_link.ModuleProtocol;
    seen.late = m_link.ModuleAnsweredLate;
    m_seen = seen;
}

void Session::observeSilentModule(Module module) {
    DoctorObservations seen = observedLine();
    seen.presence = PresenceResult::Answered;
    seen.silentModule = module;
    m_seen = seen;
}

void Session::observeLineLost() {
    DoctorObservations seen = observedLine();
    seen.presence = PresenceResult::LineFailed;
    m_seen = seen;
}

void Session::publishDiagnosis() {
    if (!m_seen) {
        return;
    }
    m_finding = diagnose(*m_seen);
    m_seen.reset();
    for (std::string_view line : kDisplayLines) {
        m_view.setHint(line, m_finding->text(LanguageCode));
    }
    m_view.setControlEnabled("OK", true);  // OK shows the diagnosis on the display
    notify(&SessionEvents::connectionDiagnosed, ConnectionDiagnosis{*m_finding});
}

void Session::showDiagnosis() {
    setColour(m_finding->failed() ? kRed : kGreen);
    const auto& lines = m_finding->screen(LanguageCode);
    for (int line = 1; line <= 4; ++line) {
        showLine(line, lines[static_cast<std::size_t>(line - 1)]);
    }
    m_view.repaint();
}

void Session::clearDiagnosis() {
    m_seen.reset();
    if (!m_finding) {
        return;
    }
    m_finding.reset();
    for (std::string_view line : kDisplayLines) {
        m_view.setHint(line, "");
    }
}

}  // namespace tvx::session
