#include "port_info.h"

#include <cctype>

#include "plain/bilingual.h"

namespace tvx::link {
namespace {

// Each kind's names: the one the support file keeps (stable, never translated) and the one
// shown to the mechanic.
struct KindNames {
    PortKind key;
    const char* inFiles;
    BilingualText shown;
};

constexpr KindNames kKindNames[] = {
    {PortKind::UsbSerial, "usb-serial", {"USB serial adapter", "USB seri çevirici"}},
    {PortKind::UsbModem,
     "usb-modem",
     {"USB serial device (modem class)", "USB seri aygıt (modem sınıfı)"}},
    {PortKind::BuiltIn, "built-in", {"built-in serial port", "dahili seri port"}},
    {PortKind::PseudoTerminal, "pseudo-terminal", {"pseudo-terminal", "sözde terminal"}},
    {PortKind::Bluetooth, "bluetooth", {"Bluetooth serial port", "Bluetooth seri port"}},
    {PortKind::Other, "other", {"serial port", "seri port"}},
    {PortKind::Simulated, "simulated", {"simulated box", "simülasyon kutusu"}},
    {PortKind::Missing, "missing", {"no such device", "böyle bir aygıt yok"}},
    {PortKind::NotATerminal, "not-a-terminal", {"not a serial port", "seri port değil"}},
};

// What a device reports about itself may hold control characters (a broken or hostile
// adapter): they must not steer the terminal the description is printed on.
std::string withoutControlCharacters(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return text;
}

}  // namespace

const char* portKindName(PortKind kind) {
    const KindNames* names = findRow(kKindNames, kind);
    return names ? names->inFiles : "other";
}

std::string comName(int index) {
    if (index < 0 || index > 7) {
        return {};
    }
    return "COM" + std::to_string(index + 1);
}

int comIndexOf(const std::string& name) {
    if (name.size() != 4) {
        return -1;
    }
    const auto upper = [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M' || name[3] < '1' ||
        name[3] > '8') {
        return -1;
    }
    return name[3] - '1';
}

std::string describePort(const PortInfo& port, char languageCode) {
    const bool turkish = languageCode == '2';
    const KindNames* names = findRow(kKindNames, port.kind);
    std::string text = names ? names->shown.in(turkish) : "";
    std::string name = port.vendor;
    if (!port.product.empty()) {
        name += (name.empty() ? "" : " ") + port.product;
    }
    if (!name.empty()) {
        text += " " + name;
    }
    if (!port.vendorId.empty() && !port.productId.empty()) {
        text += " (" + port.vendorId + ":" + port.productId + ")";
    }
    if (!port.serialNumber.empty()) {
        text += (turkish ? ", seri no " : ", serial ") + port.serialNumber;
    }
    if (!port.driver.empty()) {
        text += (turkish ? ", sürücü " : ", driver ") + port.driver;
    }
    if (port.latencyTimerMs) {
        text += (turkish ? ", gecikme zamanlayıcısı " : ", latency timer ") +
                std::to_string(*port.latencyTimerMs) + " ms";
    }
    return withoutControlCharacters(text);
}

std::vector<std::optional<PortInfo>> portsByIndex(const std::vector<PortInfo>& ports) {
    std::vector<std::optional<PortInfo>> byIndex(8);
    for (const PortInfo& port : ports) {
        if (port.comIndex >= 0 && port.comIndex < 8 && !byIndex[port.comIndex]) {
            byIndex[static_cast<std::size_t>(port.comIndex)] = port;
        }
    }
    return byIndex;
}

std::vector<PortInfo> indexedPorts(const std::optional<std::string>& deviceOverride) {
    if (!deviceOverride) {
        return discoverPorts();
    }
    const PortInfo device = describeDevice(*deviceOverride);
    std::vector<PortInfo> ports;
    for (int index = 0; index < 8; ++index) {
        ports.push_back(device);
        ports.back().comIndex = index;
    }
    return ports;
}

}  // namespace tvx::link
