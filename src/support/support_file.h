#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "doctor/doctor.h"
#include "link/line_ring.h"
#include "link/port_info.h"
#include "support/screen_history.h"

namespace tvx::session {

// Everything a support file holds: what a helper at the other end of the phone needs to
// see why a tester does not connect. No personal data beyond the VIN: no computer or user
// name, no paths of the user's folders (a home folder is written as "~").
struct SupportReport {
    std::string program;  // "tarvolinex", "tarvolinex-cli"
    std::string version;  // "2.03"
    std::string operatingSystem;
    std::vector<link::PortInfo> ports;

    // The settings in force.
    int comPortIndex = 0;     // 0..7
    char languageCode = '1';  // '1' English, '2' Turkish
    std::string portDevice;   // --port, "" when the COM index decides
    std::string simulated;    // the simulated vehicle's name, "" for a real box
    std::string vehicle;      // as the vehicle list shows it, "" when none was chosen

    std::vector<link::LineEvent> line;  // the line's last events, oldest first
    std::uint64_t lineEventsTotal = 0;  // recorded since the start (more than kept: wrapped)
    std::vector<ScreenShot> screens;
    std::optional<Finding> finding;
    std::optional<std::string> vin;  // as read from the car (printable)
};

// The report as JSON text (one object; see README "Support file").
std::string supportJson(const SupportReport& report);

// Writes it to `file` (under a temporary name, then renamed into place). False with a
// message when that failed.
bool writeSupportFile(const std::filesystem::path& file, const SupportReport& report,
                      std::string& error);

// This program's version ("2.03").
const char* programVersion();

// A text with the user's home folder written as "~" (a path of --port, a scenario file).
std::string withoutHomeFolder(const std::string& text);

}  // namespace tvx::session
