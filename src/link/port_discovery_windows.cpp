// Port discovery on Windows: the registry's serial device map lists every COM port present;
// SetupAPI adds what each one is (friendly name, maker, driver, USB ids, serial number).
#include <windows.h>
// windows.h first
#include <setupapi.h>

#include <algorithm>
#include <map>

#include "port_info.h"
#include "windows_port_names.h"
#include "windows_registry.h"

namespace tvx::link {
namespace {

// The setup class of COM and LPT ports ({4d36e978-e325-11ce-bfc1-08002be10318}).
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string deviceProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
    char data[512] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(
            set, &info, property, &type, reinterpret_cast<BYTE*>(data), sizeof data - 2, nullptr)) {
        return {};
    }
    return std::string(data);  // a multi-string gives its first entry
}

// COM name -> port as the serial device map lists them.
std::map<std::string, PortInfo> serialDeviceMap() {
    std::map<std::string, PortInfo> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD i = 0;; ++i) {
        char name[256] = {};
        char data[256] = {};
        DWORD nameSize = sizeof name - 1;
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || type != REG_SZ || data[0] == '\0') {
            continue;
        }
        PortInfo port;
        port.device = data;
        port.comIndex = comIndexOf(port.device);
        ports.emplace(port.device, port);
    }
    RegCloseKey(key);
    return ports;
}

void addSetupDetails(std::map<std::string, PortInfo>& ports) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string portName = windows::registryText(key, "PortName");
        // The FTDI driver keeps its latency timer beside the port name (Device Manager's
        // "Latency Timer (msec)"); other drivers have none.
        const long long latency = windows::registryNumber(key, "LatencyTimer");
        RegCloseKey(key);
        const auto found = ports.find(portName);
        if (found == ports.end()) {
            continue;  // a printer port, or a COM port that is not there now
        }
        PortInfo& port = found->second;
        char instance[512] = {};
        SetupDiGetDeviceInstanceIdA(set, &info, instance, sizeof instance - 1, nullptr);
        port.driver = deviceProperty(set, info, SPDRP_SERVICE);
        const windows::InstanceId id = windows::parseInstanceId(instance, port.driver);
        port.kind = id.kind;
        port.vendorId = id.vendorId;
        port.productId = id.productId;
        port.serialNumber = id.serialNumber;
        port.vendor = deviceProperty(set, info, SPDRP_MFG);
        port.alias = deviceProperty(set, info, SPDRP_FRIENDLYNAME);
        port.product = windows::withoutPortName(port.alias, portName);
        if (latency >= 0) {
            port.latencyTimerMs = static_cast<unsigned>(latency);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

int comNumber(const std::string& name) {
    return name.size() > 3 && name.find_first_not_of("0123456789", 3) == std::string::npos
               ? std::stoi(name.substr(3, 6))
               : 1 << 20;
}

}  // namespace

std::vector<PortInfo> discoverPorts() {
    std::map<std::string, PortInfo> found = serialDeviceMap();
    addSetupDetails(found);
    std::vector<PortInfo> ports;
    for (auto& entry : found) {
        ports.push_back(std::move(entry.second));
    }
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        return comNumber(a.device) < comNumber(b.device);
    });
    return ports;
}

PortInfo describeDevice(const std::string& device) {
    for (const PortInfo& port : discoverPorts()) {
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, port.device.c_str(), -1,
                           device.c_str(), -1) == CSTR_EQUAL) {
            return port;
        }
    }
    PortInfo port;
    port.device = device;
    // Not in the serial device map: a COM name that is not there, or something else.
    port.kind = comIndexOf(device) >= 0 || device.rfind("COM", 0) == 0 ? PortKind::Missing
                                                                       : PortKind::Other;
    return port;
}

}  // namespace tvx::link
