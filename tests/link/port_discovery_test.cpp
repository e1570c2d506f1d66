// Port discovery on a fake sysfs tree and /dev the test builds, and on real devices.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "link/port_info.h"
#include "link/posix_serial_port.h"
#include "link/sysfs_ports.h"

namespace tvx::link {
namespace {

namespace fs = std::filesystem;

// A folder with sys/ and dev/ as the kernel lays them out, built piece by piece.
class FakeSystem {
public:
    FakeSystem() {
        m_root =
            fs::temp_directory_path() / ("tvx-sysfs-" + std::to_string(std::random_device{}()));
        fs::create_directories(sys() / "class" / "tty");
        fs::create_directories(dev());
    }
    ~FakeSystem() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    fs::path sys() const { return m_root / "sys"; }
    fs::path dev() const { return m_root / "dev"; }

    // A USB serial adapter: interface and usb-serial port devices under a USB device.
    void usbAdapter(const std::string& tty, const std::string& usbDevice,
                    const std::vector<std::pair<std::string, std::string>>& attributes,
                    const std::string& driver) {
        const fs::path usb = sys() / "devices" / "pci0000:00" / "usb1" / usbDevice;
        const fs::path port = usb / (usbDevice + ":1.0") / tty;
        fs::create_directories(port / "tty" / tty);
        for (const auto& [name, value] : attributes) {
            std::ofstream(usb / name) << value << "\n";
        }
        bindDriver(port, "usb-serial", driver);
        linkClass(tty, port);
        node(tty);
    }
    // A USB device of the modem class: the tty's device is the interface itself.
    void acmDevice(const std::string& tty, const std::string& usbDevice,
                   const std::string& vendorId) {
        const fs::path usb = sys() / "devices" / "pci0000:00" / "usb2" / usbDevice;
        const fs::path interface = usb / (usbDevice + ":1.0");
        fs::create_directories(interface);
        std::ofstream(usb / "idVendor") << vendorId << "\n";
        std::ofstream(usb / "idProduct") << "0043\n";
        bindDriver(interface, "usb", "cdc_acm");
        linkClass(tty, interface);
        node(tty);
    }
    // A built-in UART; type 0 is a port the kernel keeps with no chip behind it. The serial
    // core's "port" device sits between the tty and the UART, as on newer kernels.
    void uart(const std::string& tty, int type) {
        const fs::path chip = sys() / "devices" / "pnp0" / ("00:0" + tty.substr(4));
        const fs::path port = chip / "ctrl" / "port";
        fs::create_directories(port);
        bindDriver(chip, "pnp", "serial");
        bindDriver(chip / "ctrl", "serial-base", "ctrl");
        bindDriver(port, "serial-base", "port");
        linkClass(tty, port);
        std::ofstream(sys() / "class" / "tty" / tty / "type") << type << "\n";
        node(tty);
    }
    void byId(const std::string& name, const std::string& tty) {
        fs::create_directories(dev() / "serial" / "by-id");
        fs::create_symlink("../../" + tty, dev() / "serial" / "by-id" / name);
    }
    // A class entry whose device went away (an adapter pulled while we look).
    void danglingEntry(const std::string& tty) {
        fs::create_directories(sys() / "class" / "tty" / tty);
        fs::create_symlink(sys() / "devices" / "gone" / tty,
                           sys() / "class" / "tty" / tty / "device");
        node(tty);
    }
    void classEntryOnly(const std::string& tty) {
        fs::create_directories(sys() / "class" / "tty" / tty);
    }
    void node(const std::string& name) { std::ofstream(dev() / name) << ""; }

private:
    void bindDriver(const fs::path& device, const std::string& bus, const std::string& driver) {
        const fs::path target = sys() / "bus" / bus / "drivers" / driver;
        fs::create_directories(target);
        fs::create_symlink(target, device / "driver");
    }
    void linkClass(const std::string& tty, const fs::path& device) {
        const fs::path entry = sys() / "class" / "tty" / tty;
        fs::create_directories(entry);
        fs::create_symlink(device, entry / "device");
    }

    fs::path m_root;
};

std::vector<std::string> names(const std::vector<PortInfo>& ports) {
    std::vector<std::string> result;
    for (const PortInfo& port : ports) {
        result.push_back(fs::path(port.device).filename().string());
    }
    return result;
}

TEST(PortDiscovery, ListsAdaptersFirstInNumericOrderAndGivesTheFirstEightTheirComIndex) {
    FakeSystem system;
    system.uart("ttyS0", 4);
    for (const char* tty : {"ttyUSB10", "ttyUSB1", "ttyUSB0", "ttyUSB2", "ttyUSB3", "ttyUSB4",
                            "ttyUSB5", "ttyUSB6"}) {
        system.usbAdapter(tty, std::string("1-") + (tty + 6), {{"idVendor", "0403"}}, "ftdi_sio");
    }
    system.acmDevice("ttyACM0", "2-1", "2341");
    const auto ports = discoverPortsUnder(system.sys(), system.dev());
    EXPECT_EQ(names(ports),
              (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3", "ttyUSB4",
                                        "ttyUSB5", "ttyUSB6", "ttyUSB10", "ttyACM0", "ttyS0"}));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].comIndex, i < 8 ? static_cast<int>(i) : -1) << ports[i].device;
    }
    EXPECT_EQ(ports[0].device, (system.dev() / "ttyUSB0").string());
}

TEST(PortDiscovery, TellsWhatAUsbAdapterIsAndItsLastingName) {
    FakeSystem system;
    system.usbAdapter("ttyUSB0", "1-2",
                      {{"idVendor", "0403"},
                       {"idProduct", "6001"},
                       {"manufacturer", "FTDI"},
                       {"product", "FT232R USB UART"},
                       {"serial", "A10K3VQ1"}},
                      "ftdi_sio");
    system.byId("usb-FTDI_FT232R_USB_UART_A10K3VQ1-if00-port0", "ttyUSB0");
    system.acmDevice("ttyACM0", "2-1", "2341");
    const auto ports = discoverPortsUnder(system.sys(), system.dev());
    ASSERT_EQ(ports.size(), 2u);
    const PortInfo& adapter = ports[0];
    EXPECT_EQ(adapter.kind, PortKind::UsbSerial);
    EXPECT_EQ(adapter.vendor, "FTDI");
    EXPECT_EQ(adapter.product, "FT232R USB UART");
    EXPECT_EQ(adapter.serialNumber, "A10K3VQ1");
    EXPECT_EQ(adapter.driver, "ftdi_sio");
    EXPECT_EQ(adapter.vendorId, "0403");
    EXPECT_EQ(adapter.productId, "6001");
    EXPECT_EQ(adapter.alias,
              (system.dev() / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A10K3VQ1-if00-port0")
                  .string());
    EXPECT_EQ(
        describePort(adapter),
        "USB serial adapter FTDI FT232R USB UART (0403:6001), serial A10K3VQ1, driver ftdi_sio");
    EXPECT_EQ(describePort(adapter, '2'),
              "USB seri çevirici FTDI FT232R USB UART (0403:6001), seri no A10K3VQ1, sürücü "
              "ftdi_sio");
    const PortInfo& modem = ports[1];
    EXPECT_EQ(modem.kind, PortKind::UsbModem);
    EXPECT_EQ(modem.driver, "cdc_acm");
    EXPECT_EQ(modem.vendorId, "2341");
}

TEST(PortDiscovery, ReadsTheAdaptersLatencyTimerWhereItHasOne) {
    FakeSystem system;
    system.usbAdapter("ttyUSB0", "1-2", {{"idVendor", "0403"}}, "ftdi_sio");
    system.usbAdapter("ttyUSB1", "1-3", {{"idVendor", "067b"}}, "pl2303");
    std::ofstream(system.sys() / "devices" / "pci0000:00" / "usb1" / "1-2" / "1-2:1.0" / "ttyUSB0" /
                  "latency_timer")
        << "16\n";
    const auto ports = discoverPortsUnder(system.sys(), system.dev());
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].latencyTimerMs, 16u);
    EXPECT_EQ(ports[1].latencyTimerMs, std::nullopt);
    EXPECT_EQ(latencyTimerOfTty(system.sys(), "ttyUSB0"), 16u);
    EXPECT_EQ(latencyTimerOfTty(system.sys(), "ttyUSB1"), std::nullopt);
    EXPECT_EQ(latencyTimerOfTty(system.sys(), "ttyUSB7"), std::nullopt);
    EXPECT_EQ(describePort(ports[0]), "USB serial adapter, driver ftdi_sio, latency timer 16 ms");
}

TEST(PortDiscovery, LeavesOutBuiltInPortsWithoutAChipAndNamesTheUartsDriver) {
    FakeSystem system;
    system.uart("ttyS0", 4);
    system.uart("ttyS1", 0);
    system.uart("ttyS2", 0);
    system.uart("ttyS3", 16);
    const auto ports = discoverPortsUnder(system.sys(), system.dev());
    EXPECT_EQ(names(ports), (std::vector<std::string>{"ttyS0", "ttyS3"}));
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].kind, PortKind::BuiltIn);
    EXPECT_EQ(ports[0].driver, "serial") << "the UART's driver, not the serial core's port";
    EXPECT_EQ(ports[1].comIndex, 1) << "a missing chip takes no COM number";
}

// An adapter pulled out while the list is made, a name without a device node, odd names:
// left out, and nothing throws.
TEST(PortDiscovery, SkipsPortsThatVanishAndNamesOfNoSerialGroup) {
    FakeSystem system;
    system.danglingEntry("ttyUSB0");
    system.classEntryOnly("ttyUSB1");  // no device node in dev/
    system.usbAdapter("ttyUSB2", "1-3", {{"idVendor", "1a86"}}, "ch341-uart");
    for (const char* odd : {"ttyUSB", "ttyUSBx", "ttyUSB-1", "ttyS99999999999999999999", "tty0",
                            "console", "ttyUSB 3", "ttyACM\x1b[31m"}) {
        system.classEntryOnly(odd);
        system.node(odd);
    }
    std::vector<PortInfo> ports;
    ASSERT_NO_THROW(ports = discoverPortsUnder(system.sys(), system.dev()));
    EXPECT_EQ(names(ports), std::vector<std::string>{"ttyUSB2"});
    EXPECT_EQ(ports.at(0).comIndex, 0);
    EXPECT_EQ(ports.at(0).driver, "ch341-uart");
}

TEST(PortDiscovery, WithoutATtyClassListsTheDeviceNodesAlone) {
    FakeSystem system;
    fs::remove_all(system.sys() / "class");
    for (const char* node : {"ttyS1", "ttyUSB0", "ttyACM2", "null", "ttyS0"}) {
        system.node(node);
    }
    const auto ports = discoverPortsUnder(system.sys(), system.dev());
    EXPECT_EQ(names(ports), (std::vector<std::string>{"ttyUSB0", "ttyACM2", "ttyS0", "ttyS1"}));
}

TEST(PortDiscovery, NothingAtAllGivesAnEmptyList) {
    EXPECT_TRUE(discoverPortsUnder("/tvx-no-such-sys", "/tvx-no-such-dev").empty());
}

// Index n of the port is the n-th port of the list this machine shows.
TEST(PortDiscovery, ThePortsIndexRuleIsTheList) {
    std::vector<std::string> listed;
    for (const PortInfo& port : discoverPorts()) {
        listed.push_back(port.device);
    }
    EXPECT_EQ(PosixSerialPort::listDevices(), listed);
}

TEST(DescribeDevice, TellsAPseudoTerminalAFileAndAMissingDevice) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    EXPECT_EQ(describeDevice(slave).kind, PortKind::PseudoTerminal);
    EXPECT_EQ(describeDevice(slave).device, slave);
    ::close(master);

    const fs::path file = fs::temp_directory_path() / "tvx-not-a-port";
    std::ofstream(file) << "text";
    EXPECT_EQ(describeDevice(file.string()).kind, PortKind::NotATerminal);
    fs::remove(file);
    EXPECT_EQ(describeDevice("/dev/null").kind, PortKind::NotATerminal);
    EXPECT_EQ(describeDevice(fs::temp_directory_path().string()).kind, PortKind::NotATerminal);
    EXPECT_EQ(describeDevice("/dev/tvx-no-such-tty").kind, PortKind::Missing);
    EXPECT_EQ(describeDevice("").kind, PortKind::Missing);
}

TEST(IndexedPorts, ADeviceOverrideIsWhatEveryIndexOpens) {
    const auto ports = indexedPorts(std::string("/dev/tvx-no-such-tty"));
    const auto byIndex = portsByIndex(ports);
    for (int index = 0; index < 8; ++index) {
        ASSERT_TRUE(byIndex[static_cast<std::size_t>(index)].has_value()) << index;
        EXPECT_EQ(byIndex[static_cast<std::size_t>(index)]->device, "/dev/tvx-no-such-tty");
    }
}

}  // namespace
}  // namespace tvx::link
