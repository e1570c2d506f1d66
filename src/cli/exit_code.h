#pragma once

#include <span>
#include <string_view>

namespace tvx::cli {

// The exit status of tarvolinex-cli. Scripts rely on these numbers: never renumber.
enum class ExitCode : int {
    Ok = 0,
    Unexpected = 1,        // an internal error (a bug): the message says what happened
    BadInput = 2,          // an option, vehicle, module or injector code was refused; nothing sent
    PortFailed = 3,        // the serial port (or the simulator) could not be opened
    NoBox = 4,             // the interface box did not answer, or the line to it was lost
    NoCar = 5,             // the car, or the chosen module, did not answer
    ReadFailed = 6,        // reading trouble or injector codes failed, or no live read succeeded
    WriteFailed = 7,       // clearing codes or programming an injector failed, or read-back differs
    Cancelled = 8,         // the operator did not confirm; nothing was written
    NotRecorded = 9,       // the codes read could not be kept safe first; nothing was written
    OldCodeRestored = 10,  // programming failed part-way; the old code is back in the unit
    UnitUncertain = 11,    // programming failed part-way; mixed code or unit unread: restore
    NotVerified = 12,      // written, but the read-back after programming failed
    RecordFailed = 13,     // the workshop record cannot be read or written, or none is kept
    OutputFailed = 14,     // live --csv / --record could not be written (disk full): stopped
    BoxLate = 15,          // probe answers came after their time-out and were set aside
    SyncFailed = 16,       // sync: the server unreachable or refusing, or the setup found a fault

    // ---- The connection doctor: the first stage that failed (tarvolinex-cli doctor).
    DoctorPortMissing = 20,    // the serial port is not there
    DoctorCannotOpen = 21,     // it does not open: no permission, in use, not a serial port
    DoctorLineLost = 22,       // the device went away during the test
    DoctorBoxSilent = 23,      // nothing answers the box's presence test
    DoctorNotTheBox = 24,      // something answers, but not the box (another device)
    DoctorNoModule = 25,       // the box answers, no module of the car does
    DoctorModulesAbsent = 26,  // some modules do not answer (and nothing says that is normal)
    DoctorBoxLate = 27,        // the box answers, but after the tester stopped waiting
    // ----
};

struct ExitCodeText {
    ExitCode code;
    std::string_view meaning;
};

// Every exit code with its meaning, for --help and the README.
std::span<const ExitCodeText> exitCodeTexts();

inline int toInt(ExitCode code) {
    return static_cast<int>(code);
}

}  // namespace tvx::cli
