#include "windows_port_names.h"

#include <algorithm>
#include <cctype>

namespace tvx::link::windows {
namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The four hex digits after "VID_" (or "PID_") in an id, "" when not there.
std::string idAfter(const std::string& id, const std::string& tag) {
    const auto at = id.find(tag);
    if (at == std::string::npos || at + tag.size() + 4 > id.size()) {
        return {};
    }
    const std::string digits = id.substr(at + tag.size(), 4);
    const bool hex = std::all_of(digits.begin(), digits.end(),
                                 [](unsigned char c) { return std::isxdigit(c) != 0; });
    return hex ? digits : std::string();
}

}  // namespace

InstanceId parseInstanceId(const std::string& id, const std::string& service) {
    InstanceId parsed;
    const std::string text = upper(id);
    const auto firstSlash = text.find('\\');
    const std::string bus = text.substr(0, firstSlash);
    parsed.vendorId = idAfter(text, "VID_");
    parsed.productId = idAfter(text, "PID_");
    if (bus == "USB") {
        parsed.kind = upper(service) == "USBSER" ? PortKind::UsbModem : PortKind::UsbSerial;
        const auto lastSlash = id.rfind('\\');
        if (lastSlash != std::string::npos && lastSlash != firstSlash) {
            parsed.serialNumber = id.substr(lastSlash + 1);
        }
    } else if (bus == "FTDIBUS") {
        parsed.kind = PortKind::UsbSerial;
        // "VID_0403+PID_6001+A10K3VQ1A": the serial, with the port letter the driver adds.
        const auto plus = id.rfind('+');
        const auto slash = id.rfind('\\');
        if (plus != std::string::npos && slash != std::string::npos && plus < slash) {
            parsed.serialNumber = id.substr(plus + 1, slash - plus - 1);
            if (parsed.serialNumber.size() > 1) {
                parsed.serialNumber.pop_back();
            }
        }
    } else if (bus == "BTHENUM") {
        parsed.kind = PortKind::Bluetooth;
    } else if (bus == "ACPI" || bus == "ROOT" || bus == "PCI") {
        parsed.kind =
            text.find("PNP0501") != std::string::npos ? PortKind::BuiltIn : PortKind::Other;
        if (bus == "PCI") {
            parsed.kind = PortKind::BuiltIn;  // a serial card
        }
    }
    if (parsed.serialNumber.find('&') != std::string::npos) {
        parsed.serialNumber.clear();
    }
    return parsed;
}

std::string withoutPortName(const std::string& friendlyName, const std::string& portName) {
    const std::string suffix = " (" + portName + ")";
    if (friendlyName.size() > suffix.size() &&
        upper(friendlyName.substr(friendlyName.size() - suffix.size())) == upper(suffix)) {
        return friendlyName.substr(0, friendlyName.size() - suffix.size());
    }
    return friendlyName;
}

}  // namespace tvx::link::windows
