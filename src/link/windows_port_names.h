#pragma once

#include <string>

#include "port_info.h"

namespace tvx::link::windows {

// What a device instance id tells about a port:
//   "USB\VID_0403&PID_6001\A10K3VQ1"            a USB device with its serial number
//   "FTDIBUS\VID_0403+PID_6001+A10K3VQ1A\0000"  the FTDI driver's own bus
//   "BTHENUM\{...}_LOCALMFG&0002\7&1A2B&0&..."  Bluetooth
//   "ACPI\PNP0501\1"                            a built-in UART
// A serial number Windows made up (it holds '&') is left out.
struct InstanceId {
    PortKind kind = PortKind::Other;
    std::string vendorId;  // "0403"
    std::string productId;
    std::string serialNumber;
};
InstanceId parseInstanceId(const std::string& id, const std::string& service);

// "USB Serial Port (COM3)" without its " (COM3)".
std::string withoutPortName(const std::string& friendlyName, const std::string& portName);

}  // namespace tvx::link::windows
