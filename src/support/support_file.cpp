#include "support/support_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "doctor/printable_text.h"
#include "plain/local_time.h"

namespace tvx::session {
namespace {

using nlohmann::json;

// Text from outside (device names, the box's bytes) as printable, without the home folder.
// Text of ours, or a device's own words (UTF-8 kept): control characters become '?'.
std::string plain(const std::string& text) {
    std::string result = withoutHomeFolder(text);
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7F) {
            c = '?';
        }
    }
    return result;
}

std::string clean(const std::string& text) {
    // The home folder first: escaping would change its backslashes (C:\Users\...).
    return printableText(withoutHomeFolder(text));
}

json portJson(const link::PortInfo& port) {
    json item{{"device", clean(port.device)},
              {"com", port.comIndex >= 0 ? json(link::comName(port.comIndex)) : json(nullptr)},
              {"kind", link::portKindName(port.kind)},
              {"description", plain(link::describePort(port))}};
    for (const auto& [key, value] :
         {std::pair<const char*, const std::string&>{"vendor", port.vendor},
          {"product", port.product},
          {"serialNumber", port.serialNumber},
          {"driver", port.driver},
          {"vendorId", port.vendorId},
          {"productId", port.productId},
          {"alias", port.alias}}) {
        if (!value.empty()) {
            item[key] = plain(value);
        }
    }
    return item;
}

std::string colourName(std::uint32_t colour) {
    switch (colour) {
        case 65280:
            return "green";
        case 255:
            return "red";
        case 65535:
            return "yellow";
        default: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%06X", colour);
            return hex;
        }
    }
}

std::string utcNow() {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return formatTime(now.count(), "%Y-%m-%dT%H:%M:%SZ", true);
}

}  // namespace

const char* programVersion() {
    return TVX_VERSION;
}

std::string withoutHomeFolder(const std::string& text) {
    std::string result = text;
    for (const char* variable : {"HOME", "USERPROFILE"}) {
        const char* home = std::getenv(variable);
        if (home == nullptr || std::string(home).size() < 2) {
            continue;  // "/" as home would take every slash
        }
        const std::string folder = home;
        for (auto at = result.find(folder); at != std::string::npos;
             at = result.find(folder, at + 1)) {
            result.replace(at, folder.size(), 1, '~');
        }
    }
    return result;
}

std::string supportJson(const SupportReport& report) {
    json root;
    root["format"] = "tarvolinex-support";
    root["formatVersion"] = 1;
    root["created"] = utcNow();
    root["program"] = {{"name", report.program}, {"version", report.version}};
    root["operatingSystem"] = report.operatingSystem;

    json settings{{"comPort", link::comName(report.comPortIndex)},
                  {"language", report.languageCode == '2' ? "tr" : "en"}};
    if (!report.portDevice.empty()) {
        settings["portDevice"] = clean(report.portDevice);
    }
    if (!report.simulated.empty()) {
        settings["simulated"] = clean(report.simulated);
    }
    if (!report.vehicle.empty()) {
        settings["vehicle"] = report.vehicle;
    }
    root["settings"] = settings;

    root["ports"] = json::array();
    for (const link::PortInfo& port : report.ports) {
        root["ports"].push_back(portJson(port));
    }

    json events = json::array();
    for (const link::LineEvent& event : report.line) {
        json item{{"t", event.timeMs}, {"event", link::lineEventName(event.kind)}};
        switch (event.kind) {
            case link::LineEvent::Kind::Sent:
            case link::LineEvent::Kind::Received:
            case link::LineEvent::Kind::Late:
                item["byte"] = event.byte;
                break;
            case link::LineEvent::Kind::TimedOut:
                item["timeoutMs"] = event.timeoutMs;
                break;
            case link::LineEvent::Kind::Opened:
            case link::LineEvent::Kind::OpenFailed:
                item["com"] = link::comName(event.byte);
                break;
            default:
                break;
        }
        events.push_back(std::move(item));
    }
    root["line"] = {{"kept", report.line.size()},
                    {"total", report.lineEventsTotal},
                    {"events", std::move(events)}};

    root["screens"] = json::array();
    for (const ScreenShot& shot : report.screens) {
        json lines = json::array();
        for (const std::string& line : shot.lines) {
            lines.push_back(printableText(line));
        }
        root["screens"].push_back(
            {{"t", shot.timeMs}, {"colour", colourName(shot.colour)}, {"lines", lines}});
    }

    if (report.finding) {
        const Finding& finding = *report.finding;
        root["doctor"] = {{"stage", doctorStageName(finding.stage)},
                          {"english", plain(finding.english)},
                          {"turkish", plain(finding.turkish)},
                          {"absentModules", finding.absentModules},
                          {"absenceExpected", finding.absenceExpected}};
    } else {
        root["doctor"] = nullptr;
    }
    root["vehicle"] = {{"vin", report.vin ? json(printableText(*report.vin)) : json(nullptr)}};
    // Invalid UTF-8 (a port's name from a broken adapter) is replaced, never thrown over.
    return root.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeSupportFile(const std::filesystem::path& file, const SupportReport& report,
                      std::string& error) {
    const std::string text = supportJson(report);
    std::filesystem::path temporary = file;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + file.string();
            return false;
        }
        out << text;
        out.flush();
        if (!out) {
            error = "writing " + file.string() + " failed (disk full?)";
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, file, renamed);
    if (renamed) {
        error = "cannot write " + file.string() + ": " + renamed.message();
        std::filesystem::remove(temporary, renamed);
        return false;
    }
    return true;
}

}  // namespace tvx::session
