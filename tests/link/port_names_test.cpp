// COM names and indexes, the one-line description of a port, and what Windows' device
// instance ids say (pure text: checked on every platform).
#include <gtest/gtest.h>

#include "link/port_info.h"
#include "link/windows_port_names.h"

namespace tvx::link {
namespace {

struct ComCase {
    std::string name;
    int index;
};

class ComIndex : public ::testing::TestWithParam<ComCase> {};

TEST_P(ComIndex, OfAName) {
    EXPECT_EQ(comIndexOf(GetParam().name), GetParam().index);
    if (GetParam().index >= 0) {
        EXPECT_EQ(comIndexOf(comName(GetParam().index)), GetParam().index);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, ComIndex,
                         ::testing::Values(ComCase{"COM1", 0}, ComCase{"com8", 7},
                                           ComCase{"Com3", 2}, ComCase{"COM9", -1},
                                           ComCase{"COM0", -1}, ComCase{"COM10", -1},
                                           ComCase{"COM", -1}, ComCase{"/dev/ttyS0", -1},
                                           ComCase{"CON1", -1}, ComCase{"", -1}));

TEST(ComName, IsEmptyOutsideTheEightPorts) {
    EXPECT_EQ(comName(0), "COM1");
    EXPECT_EQ(comName(7), "COM8");
    EXPECT_EQ(comName(8), "");
    EXPECT_EQ(comName(-1), "");
}

TEST(PortsByIndex, KeepsTheFirstPortOfEachIndexAndNoneBeyondTheEight) {
    std::vector<PortInfo> ports(3);
    ports[0].device = "a";
    ports[0].comIndex = 2;
    ports[1].device = "b";
    ports[1].comIndex = 2;
    ports[2].device = "c";
    ports[2].comIndex = -1;
    const auto byIndex = portsByIndex(ports);
    ASSERT_EQ(byIndex.size(), 8u);
    EXPECT_EQ(byIndex[2]->device, "a");
    EXPECT_EQ(
        std::count_if(byIndex.begin(), byIndex.end(), [](const auto& p) { return p.has_value(); }),
        1);
}

// The support file names a port's kind: the names are part of its format, which the people
// reading support files rely on, and each kind is told apart in both languages too.
struct KindCase {
    PortKind kind;
    const char* inFiles;
};

class PortKindNames : public ::testing::TestWithParam<KindCase> {};

TEST_P(PortKindNames, StayAsFilesKeepThemAndDifferFromEveryOtherKind) {
    const KindCase& named = GetParam();
    EXPECT_STREQ(portKindName(named.kind), named.inFiles);
    PortInfo port;
    port.kind = named.kind;
    for (const PortKind other : {PortKind::UsbSerial, PortKind::UsbModem, PortKind::BuiltIn,
                                 PortKind::PseudoTerminal, PortKind::Bluetooth, PortKind::Other,
                                 PortKind::Simulated, PortKind::Missing, PortKind::NotATerminal}) {
        if (other == named.kind) {
            continue;
        }
        PortInfo another;
        another.kind = other;
        EXPECT_STRNE(portKindName(other), named.inFiles);
        for (const char language : {'1', '2'}) {
            EXPECT_NE(describePort(another, language), describePort(port, language));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PortKindNames,
                         ::testing::Values(KindCase{PortKind::UsbSerial, "usb-serial"},
                                           KindCase{PortKind::UsbModem, "usb-modem"},
                                           KindCase{PortKind::BuiltIn, "built-in"},
                                           KindCase{PortKind::PseudoTerminal, "pseudo-terminal"},
                                           KindCase{PortKind::Bluetooth, "bluetooth"},
                                           KindCase{PortKind::Other, "other"},
                                           KindCase{PortKind::Simulated, "simulated"},
                                           KindCase{PortKind::Missing, "missing"},
                                           KindCase{PortKind::NotATerminal, "not-a-terminal"}));

TEST(DescribePort, SaysOnlyWhatIsKnown) {
    PortInfo uart;
    uart.kind = PortKind::BuiltIn;
    EXPECT_EQ(describePort(uart), "built-in serial port");
    EXPECT_EQ(describePort(uart, '2'), "dahili seri port");
    PortInfo bluetooth;
    bluetooth.kind = PortKind::Bluetooth;
    bluetooth.product = "Standard Serial over Bluetooth link";
    EXPECT_EQ(describePort(bluetooth), "Bluetooth serial port Standard Serial over Bluetooth link");
}

TEST(DescribePort, ControlCharactersAdaptersReportSteerNoTerminal) {
    PortInfo adapter;
    adapter.kind = PortKind::UsbSerial;
    adapter.product = "UART\x1b[2J\n";
    adapter.vendor = "Ça\x07";
    EXPECT_EQ(describePort(adapter), "USB serial adapter Ça? UART?[2J?");
}

struct InstanceCase {
    std::string id;
    std::string service;
    PortKind kind;
    std::string vendorId;
    std::string productId;
    std::string serial;
};

class InstanceIds : public ::testing::TestWithParam<InstanceCase> {};

TEST_P(InstanceIds, TellKindIdsAndSerialNumber) {
    const InstanceCase& c = GetParam();
    const windows::InstanceId parsed = windows::parseInstanceId(c.id, c.service);
    EXPECT_EQ(parsed.kind, c.kind) << c.id;
    EXPECT_EQ(parsed.vendorId, c.vendorId) << c.id;
    EXPECT_EQ(parsed.productId, c.productId) << c.id;
    EXPECT_EQ(parsed.serialNumber, c.serial) << c.id;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, InstanceIds,
    ::testing::Values(
        InstanceCase{"USB\\VID_067B&PID_2303\\5&2B1A3C&0&1", "Ser2pl", PortKind::UsbSerial, "067B",
                     "2303", ""},
        InstanceCase{"USB\\VID_2341&PID_0043\\85736323838351F0B0A1", "usbser", PortKind::UsbModem,
                     "2341", "0043", "85736323838351F0B0A1"},
        InstanceCase{"FTDIBUS\\VID_0403+PID_6001+A10K3VQ1A\\0000", "FTDIBUS", PortKind::UsbSerial,
                     "0403", "6001", "A10K3VQ1"},
        InstanceCase{"ACPI\\PNP0501\\1", "Serial", PortKind::BuiltIn, "", "", ""},
        InstanceCase{"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&1A2B&0&0",
                     "BTHMODEM", PortKind::Bluetooth, "", "", ""},
        InstanceCase{"ROOT\\PORTS\\0000", "", PortKind::Other, "", "", ""},
        InstanceCase{"USB\\VID_04\\X", "", PortKind::UsbSerial, "", "", "X"},
        InstanceCase{"", "", PortKind::Other, "", "", ""},
        InstanceCase{"\\\\\\", "", PortKind::Other, "", "", ""}));

TEST(WindowsFriendlyName, LosesItsPortNameOnly) {
    EXPECT_EQ(windows::withoutPortName("USB Serial Port (COM3)", "COM3"), "USB Serial Port");
    EXPECT_EQ(windows::withoutPortName("Prolific USB-to-Serial Comm Port (com12)", "COM12"),
              "Prolific USB-to-Serial Comm Port");
    EXPECT_EQ(windows::withoutPortName("Communications Port", "COM1"), "Communications Port");
    EXPECT_EQ(windows::withoutPortName("(COM3)", "COM3"), "(COM3)");
}

#ifdef _WIN32
// The serial device map and SetupAPI of this Windows (or Wine): a list in COM order whose
// COM indexes are those of the names.
TEST(WindowsDiscovery, ListsComPortsInOrderWithTheirIndexes) {
    const std::vector<PortInfo> ports = discoverPorts();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].comIndex, comIndexOf(ports[i].device)) << ports[i].device;
        EXPECT_FALSE(ports[i].device.empty());
    }
    EXPECT_EQ(describeDevice("COM250").kind, PortKind::Missing);
}
#endif

}  // namespace
}  // namespace tvx::link
