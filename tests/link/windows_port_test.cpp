// The Windows serial port's rules (settings, time-outs, failures) and what it refuses to open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "link/windows_comm_settings.h"
#include "link/windows_serial_port.h"

namespace tvx::link {
namespace {

using windows::LineFailure;

// A port left by another program with every setting that loses bytes or holds the line.
DCB settingsLeftBehind(DWORD dtrControl, DWORD rtsControl) {
    DCB state{};
    state.DCBlength = sizeof state;
    state.BaudRate = CBR_115200;
    state.ByteSize = 7;
    state.Parity = EVENPARITY;
    state.StopBits = TWOSTOPBITS;
    state.fOutX = TRUE;
    state.fInX = TRUE;
    state.fNull = TRUE;
    state.fErrorChar = TRUE;
    state.fOutxCtsFlow = TRUE;
    state.fOutxDsrFlow = TRUE;
    state.fDsrSensitivity = TRUE;
    state.fAbortOnError = TRUE;
    state.fDtrControl = dtrControl;
    state.fRtsControl = rtsControl;
    return state;
}

struct LineControl {
    DWORD dtr;
    DWORD rts;
};

class LinkSettings : public ::testing::TestWithParam<LineControl> {};

TEST_P(LinkSettings, SwitchOffWhatLosesBytesOrHoldsTheLineAndKeepDtrAndRts) {
    DCB state = settingsLeftBehind(GetParam().dtr, GetParam().rts);
    windows::applyLinkSettings(state);
    EXPECT_EQ(state.BaudRate, 9600u);
    EXPECT_EQ(state.ByteSize, 8);
    EXPECT_EQ(state.Parity, NOPARITY);
    EXPECT_FALSE(state.fOutX) << "0x13 from the box would stop our output";
    EXPECT_FALSE(state.fInX);
    EXPECT_FALSE(state.fNull) << "NUL bytes are data";
    EXPECT_FALSE(state.fErrorChar);
    EXPECT_FALSE(state.fOutxCtsFlow) << "a box without CTS would hold every write";
    EXPECT_FALSE(state.fOutxDsrFlow);
    EXPECT_FALSE(state.fDsrSensitivity);
    EXPECT_FALSE(state.fAbortOnError) << "one framing error would stop the line";
    EXPECT_EQ(state.StopBits, TWOSTOPBITS);
    EXPECT_EQ(state.fDtrControl, GetParam().dtr) << "the box may draw power from DTR";
    EXPECT_EQ(state.fRtsControl, GetParam().rts) << "the box may draw power from RTS";
}

INSTANTIATE_TEST_SUITE_P(AsFound, LinkSettings,
                         ::testing::Values(LineControl{DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE},
                                           LineControl{DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
                                           LineControl{DTR_CONTROL_HANDSHAKE, RTS_CONTROL_TOGGLE}));

struct ReadCase {
    DWORD foundInterval;
    unsigned timeoutMs;
    DWORD interval;
    DWORD constant;
};

class ReadTimeouts : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTimeouts, EndTheReadAfterItsTimeOutAndNeverWaitForEver) {
    const ReadCase& c = GetParam();
    COMMTIMEOUTS found{};
    found.ReadIntervalTimeout = c.foundInterval;
    found.ReadTotalTimeoutMultiplier = 7;
    found.ReadTotalTimeoutConstant = 12345;
    found.WriteTotalTimeoutMultiplier = 3;
    found.WriteTotalTimeoutConstant = 4;
    const COMMTIMEOUTS record = windows::readTimeouts(found, c.timeoutMs);
    EXPECT_EQ(record.ReadIntervalTimeout, c.interval);
    EXPECT_EQ(record.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(record.ReadTotalTimeoutConstant, c.constant);
    EXPECT_EQ(record.WriteTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(record.WriteTotalTimeoutConstant, 4u);
}

INSTANTIATE_TEST_SUITE_P(
    ByTimeout, ReadTimeouts,
    ::testing::Values(ReadCase{0, 500, 0, 500},           // interval kept as found
                      ReadCase{20, 50, 20, 50},           // interval kept as found
                      ReadCase{MAXDWORD, 3000, 0, 3000},  // "return at once" would void the wait
                      ReadCase{0, 0, MAXDWORD, 0},        // all zero would mean "no time-out"
                      ReadCase{20, 0, MAXDWORD, 0}));

TEST(WriteTimeouts, AreFiniteEvenWhenThePortHadNone) {
    const COMMTIMEOUTS record = windows::withFiniteWrites(COMMTIMEOUTS{});
    EXPECT_GT(record.WriteTotalTimeoutMultiplier + record.WriteTotalTimeoutConstant, 0u);
    EXPECT_LE(record.WriteTotalTimeoutMultiplier + record.WriteTotalTimeoutConstant, 1000u);
}

struct FailureCase {
    DWORD error;
    bool cleared;
    LineFailure expected;
};

class FailedTransfer : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedTransfer, IsALineErrorOrAPortThatIsGone) {
    EXPECT_EQ(windows::classifyLineFailure(GetParam().error, GetParam().cleared),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ByError, FailedTransfer,
    ::testing::Values(FailureCase{ERROR_OPERATION_ABORTED, true, LineFailure::Transient},
                      FailureCase{ERROR_IO_DEVICE, true, LineFailure::Transient},
                      FailureCase{ERROR_OPERATION_ABORTED, false, LineFailure::Gone},
                      FailureCase{ERROR_ACCESS_DENIED, true, LineFailure::Gone},
                      FailureCase{ERROR_BAD_COMMAND, true, LineFailure::Gone},
                      FailureCase{ERROR_GEN_FAILURE, true, LineFailure::Gone},
                      FailureCase{ERROR_DEVICE_REMOVED, true, LineFailure::Gone},
                      FailureCase{ERROR_INVALID_HANDLE, true, LineFailure::Gone}));

struct OpenCase {
    DWORD error;
    OpenFailure expected;
};

class FailedOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(FailedOpen, SaysWhy) {
    EXPECT_EQ(windows::openFailureOf(GetParam().error), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(ByError, FailedOpen,
                         ::testing::Values(OpenCase{ERROR_FILE_NOT_FOUND, OpenFailure::Missing},
                                           OpenCase{ERROR_PATH_NOT_FOUND, OpenFailure::Missing},
                                           OpenCase{ERROR_ACCESS_DENIED,
                                                    OpenFailure::Busy},  // held by a program
                                           OpenCase{ERROR_SHARING_VIOLATION, OpenFailure::Busy},
                                           OpenCase{ERROR_NOT_ENOUGH_MEMORY, OpenFailure::Other}));

TEST(WindowsSerialPort, RefusesAnOrdinaryFileAndLeavesItAsItWas) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("tvx-not-a-port-" + std::to_string(std::random_device{}()) + ".txt");
    std::ofstream(file, std::ios::binary) << "keep me";
    {
        WindowsSerialPort port;
        EXPECT_FALSE(port.openDevice(file.string()));
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.lastOpenError().failure, OpenFailure::NotSerialPort);
        EXPECT_FALSE(port.writeByte(0x41));
    }
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    in.close();
    std::filesystem::remove(file);
}

TEST(WindowsSerialPort, RefusesACharacterDeviceThatIsNoSerialLine) {
    WindowsSerialPort port;
    EXPECT_FALSE(port.openDevice("NUL"));
    EXPECT_EQ(port.lastOpenError().failure, OpenFailure::NotSerialPort);
    EXPECT_FALSE(port.lastOpenError().systemMessage.empty());
}

TEST(WindowsSerialPort, SaysAMissingPortIsMissing) {
    WindowsSerialPort port;
    EXPECT_FALSE(port.openDevice("COM199"));
    EXPECT_EQ(port.lastOpenError().failure, OpenFailure::Missing);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 0), ReadStatus::Error);
}

}  // namespace
}  // namespace tvx::link
