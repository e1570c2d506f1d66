#include "doctor/doctor_run.h"

#include "link/link.h"

namespace tvx::session {
namespace {

constexpr std::size_t kMostBytesKept = 8;

// What the port to open is, for advice about an open that failed.
link::PortInfo targetInfo(const DoctorTarget& target, const std::vector<link::PortInfo>& present) {
    if (target.device) {
        return link::describeDevice(*target.device);
    }
    const auto byIndex = link::portsByIndex(present);
    if (target.index >= 0 && target.index < 8 && byIndex[static_cast<std::size_t>(target.index)]) {
        return *byIndex[static_cast<std::size_t>(target.index)];
    }
    link::PortInfo missing;
    missing.device = link::comName(target.index);
    missing.kind = link::PortKind::Missing;
    return missing;
}

// Bytes that follow within the listening time; stops at a failing line.
void listenForStrayBytes(link::Link& link, link::Clock& clock, std::vector<std::uint8_t>& bytes) {
    const std::uint64_t end = clock.nowMs() + kStrayListenMs;
    for (std::uint64_t now = clock.nowMs(); now < end && bytes.size() < kMostBytesKept;
         now = clock.nowMs()) {
        const std::uint8_t byte = link.ReceiveByte(static_cast<std::uint16_t>(end - now));
        if (link.ReadTimedOut != 0) {
            return;
        }
        bytes.push_back(byte);
    }
}

}  // namespace

DoctorObservations examineConnection(link::SerialPort& port, link::Clock& clock,
                                     const DoctorTarget& target,
                                     std::vector<link::PortInfo> present, link::LineRing* ring) {
    DoctorObservations seen;
    seen.present = std::move(present);
    link::Link link(port, clock);
    link.setRing(ring);
    seen.opened = target.device ? port.openDevice(*target.device) : link.OpenPort(target.index);
    const std::string com = link::comName(target.index);
    if (target.device) {
        seen.port = *target.device;
    } else {
        const std::string device = seen.opened ? port.deviceName() : std::string();
        seen.port = device.empty() || device == com ? com : com + " (" + device + ")";
    }
    if (!seen.opened) {
        seen.openError = port.lastOpenError();
        seen.target = targetInfo(target, seen.present);
        return seen;
    }
    seen.latencyTimerMs = port.latencyTimerMs();

    const bool answered = link.ProbeInterface();
    if (link.LineLost) {
        seen.presence = PresenceResult::LineFailed;
    } else if (link.ReadTimedOut != 0) {
        seen.presence = PresenceResult::Silent;
        seen.presenceLate = link.SetAsideLateAnswer();
    } else {
        seen.received.push_back(link.ReplyBuffer[0]);
        listenForStrayBytes(link, clock, seen.received);
        if (link.LineLost) {
            seen.presence = PresenceResult::LineFailed;
        } else if (!answered) {
            seen.presence = PresenceResult::WrongByte;
        } else {
            seen.presence =
                seen.received.size() > 1 ? PresenceResult::ExtraBytes : PresenceResult::Answered;
        }
    }
    if (seen.presence == PresenceResult::Answered) {
        seen.received.clear();
        seen.probeRun = true;
        link.ProbeModules();
        seen.probeLineFailed = link.LineLost;
        seen.protocols = link.ModuleProtocol;
        seen.late = link.ModuleAnsweredLate;
    }
    link.ClosePort();
    return seen;
}

}  // namespace tvx::session
