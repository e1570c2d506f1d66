#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <string>

#include "sysfs_ports.h"

namespace tvx::link {
namespace fs = std::filesystem;
namespace {

// The groups in index order: USB adapters first, then modem-class devices, then UARTs.
struct Group {
    const char* prefix;
    PortKind kind;
};
constexpr Group kGroups[] = {
    {"ttyUSB", PortKind::UsbSerial},
    {"ttyACM", PortKind::UsbModem},
    {"ttyS", PortKind::BuiltIn},
};

struct Candidate {
    std::size_t group;
    long number;
    std::string name;
};

// "ttyUSB10" is group 0, number 10; a name of no group gives none.
std::optional<Candidate> candidateOf(const std::string& name) {
    for (std::size_t g = 0; g < std::size(kGroups); ++g) {
        const std::string prefix = kGroups[g].prefix;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.size() > prefix.size() + 6) {
            continue;
        }
        const std::string digits = name.substr(prefix.size());
        if (std::all_of(digits.begin(), digits.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            return Candidate{g, std::stol(digits), name};
        }
    }
    return std::nullopt;
}

std::vector<Candidate> sorted(std::vector<Candidate> found) {
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    return found;
}

// The first line of a sysfs attribute, without its line end; "" when it cannot be read.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// The adapter's latency timer in ms (the usb-serial port's latency_timer), where it has one.
std::optional<unsigned> latencyTimerOf(const fs::path& device) {
    const std::string text = attribute(device / "latency_timer");
    unsigned ms = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return ms;
}

// The name of the driver bound to a sysfs device, "" when none. Newer kernels put the serial
// core's own "port" and "ctrl" devices (bus serial-base) between a tty and its UART: the
// driver that names the hardware sits above them.
std::string driverOf(const fs::path& device) {
    fs::path dir = device;
    for (int level = 0; level < 4 && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
        std::error_code error;
        const fs::path driver = fs::canonical(dir / "driver", error);
        if (error) {
            return {};
        }
        if (driver.parent_path().parent_path().filename() != "serial-base") {
            return driver.filename().string();
        }
    }
    return {};
}

// Lasting names: the by-id links, by the tty they point to.
std::map<std::string, std::string> aliases(const fs::path& byId) {
    std::map<std::string, std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(byId, error), end; !error && it != end; it.increment(error)) {
        std::error_code broken;
        const fs::path target = fs::canonical(it->path(), broken);
        if (!broken) {
            names.emplace(target.filename().string(), it->path().string());
        }
    }
    return names;
}

// The USB device above a tty's device: the nearest parent with a vendor id.
void addUsbDetails(PortInfo& port, const fs::path& device) {
    fs::path dir = device;
    for (int level = 0; level < 6 && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
        std::error_code error;
        if (!fs::exists(dir / "idVendor", error)) {
            continue;
        }
        port.vendorId = attribute(dir / "idVendor");
        port.productId = attribute(dir / "idProduct");
        port.vendor = attribute(dir / "manufacturer");
        port.product = attribute(dir / "product");
        port.serialNumber = attribute(dir / "serial");
        return;
    }
}

// Another POSIX system: the device nodes of the groups, as they are.
std::vector<PortInfo> fromDeviceNodes(const fs::path& dev) {
    std::vector<Candidate> found;
    std::error_code error;
    for (fs::directory_iterator it(dev, error), end; !error && it != end; it.increment(error)) {
        if (auto candidate = candidateOf(it->path().filename().string())) {
            found.push_back(*candidate);
        }
    }
    std::vector<PortInfo> ports;
    for (const Candidate& candidate : sorted(std::move(found))) {
        PortInfo port;
        port.device = (dev / candidate.name).string();
        port.kind = kGroups[candidate.group].kind;
        ports.push_back(std::move(port));
    }
    return ports;
}

}  // namespace

std::vector<PortInfo> discoverPortsUnder(const fs::path& sysfs, const fs::path& dev) {
    const fs::path ttyClass = sysfs / "class" / "tty";
    std::error_code error;
    std::vector<PortInfo> ports;
    if (!fs::is_directory(ttyClass, error)) {
        ports = fromDeviceNodes(dev);
    } else {
        std::vector<Candidate> found;
        for (fs::directory_iterator it(ttyClass, error), end; !error && it != end;
             it.increment(error)) {
            if (auto candidate = candidateOf(it->path().filename().string())) {
                found.push_back(*candidate);
            }
        }
        const auto byId = aliases(dev / "serial" / "by-id");
        for (const Candidate& candidate : sorted(std::move(found))) {
            const fs::path entry = ttyClass / candidate.name;
            std::error_code gone;
            if (!fs::exists(dev / candidate.name, gone)) {
                continue;  // no device node (or it went away while we looked)
            }
            PortInfo port;
            port.device = (dev / candidate.name).string();
            port.kind = kGroups[candidate.group].kind;
            const fs::path device = fs::canonical(entry / "device", gone);
            if (port.kind == PortKind::BuiltIn) {
                // The kernel keeps a ttyS for every possible UART; type 0 means no chip.
                const std::string type = attribute(entry / "type");
                if (type == "0" || (type.empty() && gone)) {
                    continue;
                }
            } else if (gone) {
                continue;  // an adapter unplugged while we looked
            }
            if (!gone) {
                port.driver = driverOf(device);
                port.latencyTimerMs = latencyTimerOf(device);
                if (port.kind != PortKind::BuiltIn) {
                    addUsbDetails(port, device);
                }
            }
            if (const auto alias = byId.find(candidate.name); alias != byId.end()) {
                port.alias = alias->second;
            }
            ports.push_back(std::move(port));
        }
    }
    for (std::size_t i = 0; i < ports.size() && i < 8; ++i) {
        ports[i].comIndex = static_cast<int>(i);
    }
    return ports;
}

std::optional<unsigned> latencyTimerOfTty(const fs::path& sysfs, const std::string& ttyName) {
    std::error_code error;
    const fs::path device = fs::canonical(sysfs / "class" / "tty" / ttyName / "device", error);
    return error ? std::nullopt : latencyTimerOf(device);
}

std::vector<PortInfo> discoverPorts() {
    return discoverPortsUnder("/sys", "/dev");
}

PortInfo describeDevice(const std::string& device) {
    PortInfo port;
    port.device = device;
    struct stat info {};
    if (device.empty() || ::stat(device.c_str(), &info) != 0) {
        port.kind = PortKind::Missing;
        return port;
    }
    if (!S_ISCHR(info.st_mode)) {
        port.kind = PortKind::NotATerminal;
        return port;
    }
    std::error_code error;
    const fs::path real = fs::canonical(device, error);
    for (const PortInfo& listed : discoverPorts()) {
        std::error_code ignored;
        if (!error && fs::canonical(listed.device, ignored) == real) {
            PortInfo found = listed;
            found.device = device;
            return found;
        }
    }
    // Not in the list: the character device's class says whether it is a terminal.
    const fs::path sysDevice = "/sys/dev/char/" + std::to_string(major(info.st_rdev)) + ":" +
                               std::to_string(minor(info.st_rdev));
    const std::string subsystem = fs::canonical(sysDevice / "subsystem", error).filename().string();
    const bool pty = major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143;
    if (pty) {
        port.kind = PortKind::PseudoTerminal;
    } else if (!error && subsystem == "tty") {
        port.kind = PortKind::Other;
    } else {
        port.kind = PortKind::NotATerminal;
    }
    return port;
}

}  // namespace tvx::link
