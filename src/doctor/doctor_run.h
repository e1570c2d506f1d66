#pragma once

#include <optional>
#include <string>
#include <vector>

#include "doctor/doctor.h"
#include "link/clock.h"
#include "link/line_ring.h"
#include "link/port_info.h"
#include "link/serial_port.h"

namespace tvx::session {

// The port the doctor examines: a device by name (--port), else a COM index 0..7.
struct DoctorTarget {
    std::optional<std::string> device;
    int index = 0;
};

// Examines the connection one stage after the other and stops at the first that fails:
// opens the port, runs the box's presence test, listens briefly for bytes the box would
// never send, and runs the module probe. It sends the presence byte (twice when another
// byte answered it first) and the five probe bytes and nothing else, and waits no longer
// than their time-outs (1000 ms, 5 x 3000 ms), 100 ms of listening, and after each
// time-out up to 1000 ms for a late answer. `present` is the machine's port list (for the
// advice). Every line event goes to `ring` when given. The port is left closed.
DoctorObservations examineConnection(link::SerialPort& port, link::Clock& clock,
                                     const DoctorTarget& target,
                                     std::vector<link::PortInfo> present,
                                     link::LineRing* ring = nullptr);

// How long the doctor listens for stray bytes after the presence test's answer.
inline constexpr unsigned kStrayListenMs = 100;

}  // namespace tvx::session
