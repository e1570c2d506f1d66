#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "doctor/latency_advice.h"
#include "link/module.h"
#include "link/open_error.h"
#include "link/port_info.h"

namespace tvx::session {

// The connection doctor: from what was seen on the way to the car, the first stage that
// failed and what the mechanic should do about it, in English and Turkish.
//
// Stages in the order a connection passes them. The numbers are for listeners and files;
// the command-line tester gives each its own exit code.
enum class DoctorStage {
    AllGood = 0,        // the box and every module (or every module the vehicle has) answered
    PortMissing = 1,    // the serial port is not there
    CannotOpen = 2,     // it is there but does not open (permission, in use, no serial port)
    LineLost = 3,       // the device went away during the test (adapter unplugged)
    BoxSilent = 4,      // nothing answers the presence test
    NotTheBox = 5,      // something answers, but not as the box does (another device)
    NoModule = 6,       // the box answers, no module of the car does
    ModulesAbsent = 7,  // some modules answer, others do not
    ModuleSilent = 8,   // a module did not answer its opening bytes (window only)
    BoxLate = 9,        // the box answers, but after the tester has stopped waiting
};

const char* doctorStageName(DoctorStage stage);  // "box-silent"

// Which modules the vehicle has, when something knows: the simulator's vehicle, a record.
struct ModuleExpectation {
    std::array<bool, 6> present{};  // index 1..5 = PCM, TCM, ABS, AirBag, Cluster
    std::string source;             // who says so: "the simulated petrol-car"
};

// How the presence test went.
enum class PresenceResult {
    NotRun,
    Answered,    // exactly the byte 1 came back, nothing more
    Silent,      // no byte within the presence test's time-out
    WrongByte,   // a byte other than 1 came back
    ExtraBytes,  // the byte 1, then more bytes the box never sends
    LineFailed,  // the port failed
};

// What the doctor (or the session) saw.
struct DoctorObservations {
    std::string port;                     // what was opened: "/dev/ttyUSB0", "COM3 (/dev/ttyS0)"
    std::vector<link::PortInfo> present;  // the serial ports of this machine
    bool opened = false;
    link::OpenError openError;
    link::PortInfo target;  // what the port to open is, for a refused open

    PresenceResult presence = PresenceResult::NotRun;
    std::vector<std::uint8_t> received;  // the bytes of a wrong answer (at most a few)

    bool probeRun = false;
    bool probeLineFailed = false;
    std::array<std::uint8_t, 6> protocols{};  // index 1..5, 0 = no answer
    // Answers that came after their time-out (set aside): the presence test's, and the
    // probe's by module (index 1..5).
    bool presenceLate = false;
    std::array<bool, 6> late{};

    std::optional<ModuleExpectation> expected;
    std::optional<Module> silentModule;  // a module button that got no answer
    // The open adapter's latency timer, where it has one (sysfs, the driver's registry key).
    std::optional<unsigned> latencyTimerMs;
};

// The doctor's answer.
struct Finding {
    DoctorStage stage = DoctorStage::AllGood;
    std::string english;  // what was found and what to do, one paragraph
    std::string turkish;
    // The diagnosis on the tester's display: four lines of 24 characters.
    std::array<std::string, 4> screenEnglish;
    std::array<std::string, 4> screenTurkish;
    std::vector<std::string> absentModules;  // "ABS", "AirBag" for ModulesAbsent
    bool absenceExpected = false;            // the vehicle has none of them, as its source says
    // Besides the stage: the adapter's latency timer is high, with the fix (whatever the stage).
    std::optional<LatencyAdvice> latency;

    const std::string& text(char languageCode) const {
        return languageCode == '2' ? turkish : english;
    }
    const std::array<std::string, 4>& screen(char languageCode) const {
        return languageCode == '2' ? screenTurkish : screenEnglish;
    }
    bool failed() const { return stage != DoctorStage::AllGood; }
};

Finding diagnose(const DoctorObservations& seen);

// The module names the doctor uses, 1..5 ("PCM", "TCM", "ABS", "AirBag", "Cluster").
const char* doctorModuleName(int module);

}  // namespace tvx::session
