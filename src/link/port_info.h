#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tvx::link {

// What a serial port is, as far as the system tells.
enum class PortKind {
    UsbSerial,       // a USB serial adapter (FTDI, Prolific, CH340, ...)
    UsbModem,        // a USB device of the modem class (CDC ACM)
    BuiltIn,         // a UART on the main board or an expansion card
    PseudoTerminal,  // a pseudo-terminal (the simulator)
    Bluetooth,       // a serial port over Bluetooth
    Other,           // a serial port the system says nothing more about
    Simulated,       // the simulated box inside the program
    Missing,         // no such device
    NotATerminal,    // a file or a device that is no serial line
};

// One serial port present on this machine.
struct PortInfo {
    std::string device;  // what the tester opens: "/dev/ttyUSB0", "COM3"
    int comIndex = -1;   // 0..7 when COM1..COM8 open it, else -1 (reach it with --port)
    PortKind kind = PortKind::Other;
    std::string vendor;        // "FTDI"
    std::string product;       // "FT232R USB UART"
    std::string serialNumber;  // "A10K3VQ1"
    std::string driver;        // "ftdi_sio", "FTDIBUS", "serial8250"
    std::string vendorId;      // USB ids as four hex digits, "0403"
    std::string productId;     // "6001"
    std::string alias;         // a lasting name: /dev/serial/by-id/..., or Windows' friendly name
    // How long the adapter holds received bytes before passing them on (FTDI chips' latency
    // timer, from sysfs or the driver's registry key), where it has one.
    std::optional<unsigned> latencyTimerMs;
};

// The kind's name in files others read ("usb-serial", "not-a-terminal"): never translated.
const char* portKindName(PortKind kind);

// "COM1".."COM8" for index 0..7, else "".
std::string comName(int index);
// The index 0..7 of "COM1".."COM8" (any case), else -1.
int comIndexOf(const std::string& name);

// One line saying what the port is, in the language given ('1' English, '2' Turkish):
// "USB serial adapter FTDI FT232R USB UART, serial A10K3VQ1, driver ftdi_sio".
std::string describePort(const PortInfo& port, char languageCode = '1');

// The ports the COM indexes 0..7 open, in index order (none where nothing is there).
std::vector<std::optional<PortInfo>> portsByIndex(const std::vector<PortInfo>& ports);

// The serial ports present on this machine, the ones COM1..COM8 open first, in index order.
// Linux: sysfs and /dev/serial/by-id; built-in UARTs without hardware behind them are left
// out. Windows: the registry's serial device map and SetupAPI's names. Elsewhere: the tty
// devices of /dev. Never throws; a port that vanishes while it is looked at is left out.
std::vector<PortInfo> discoverPorts();

// The ports COM1..COM8 open, for the port list: with a device override (--port) that
// device for every index, else discoverPorts().
std::vector<PortInfo> indexedPorts(const std::optional<std::string>& deviceOverride);

// What the device the tester was told to open is (--port DEVICE): a port of the list, a
// pseudo-terminal, a missing device, a file. Never throws.
PortInfo describeDevice(const std::string& device);

}  // namespace tvx::link
