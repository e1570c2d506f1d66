// The POSIX serial port on real devices: a pseudo-terminal, an ordinary file, a missing one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "link/posix_serial_port.h"
#include "pty_pair.h"

namespace tvx::link {
namespace {

std::filesystem::path tempFile(const std::string& contents) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tvx-port-" + std::to_string(std::random_device{}()));
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(PosixSerialPort, SwitchesOffTheFlowControlThePortWasLeftWith) {
    Pty pty;
    pty.setFlags(IXON | IXOFF | IXANY, CRTSCTS);
    PosixSerialPort port;
    ASSERT_TRUE(port.openDevice(pty.slave()));
    const termios t = pty.settings();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << "a box that drives no CTS would hold every write";
    // 0x11 and 0x13 are data, not XON and XOFF.
    pty.send({0x13, 0x11, 0x00});
    for (std::uint8_t expected : {0x13, 0x11, 0x00}) {
        std::uint8_t byte = 0xFF;
        ASSERT_EQ(port.readByte(byte, 500), ReadStatus::Byte);
        EXPECT_EQ(byte, expected);
    }
}

TEST(PosixSerialPort, AZeroMillisecondReadTakesWhatIsThereAndDoesNotWait) {
    Pty pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.openDevice(pty.slave()));
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 0), ReadStatus::TimedOut);
    pty.send({0x42});
    ::usleep(20000);
    EXPECT_EQ(port.readByte(byte, 0), ReadStatus::Byte);
    EXPECT_EQ(byte, 0x42);
}

TEST(PosixSerialPort, ALineHeldByOneTesterIsBusyForASecond) {
    Pty pty;
    PosixSerialPort first;
    PosixSerialPort second;
    ASSERT_TRUE(first.openDevice(pty.slave()));
    EXPECT_FALSE(second.openDevice(pty.slave()));
    EXPECT_EQ(second.lastOpenError().failure, OpenFailure::Busy);
    first.close();
    EXPECT_TRUE(second.openDevice(pty.slave()));
    EXPECT_EQ(second.lastOpenError().failure, OpenFailure::None);
}

TEST(PosixSerialPort, RefusesAnOrdinaryFileAndLeavesItAsItWas) {
    const auto file = tempFile("keep me");
    PosixSerialPort port;
    EXPECT_FALSE(port.openDevice(file.string()));
    EXPECT_EQ(port.lastOpenError().failure, OpenFailure::NotSerialPort);
    EXPECT_FALSE(port.writeByte(0x41));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    std::filesystem::remove(file);
}

TEST(PosixSerialPort, SaysAMissingDeviceIsMissing) {
    PosixSerialPort port;
    EXPECT_FALSE(port.openDevice("/dev/tvx-no-such-tty"));
    EXPECT_EQ(port.lastOpenError().failure, OpenFailure::Missing);
    EXPECT_FALSE(port.lastOpenError().systemMessage.empty());
}

// Root may open anything, so the open is tried as the unprivileged user "nobody".
TEST(PosixSerialPort, SaysWhenTheUserMayNotUseTheDevice) {
    Pty pty;
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool root = geteuid() == 0;
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(10);
        }
        if (!root && ::chmod(pty.slave().c_str(), 0) != 0) {
            _exit(11);
        }
        PosixSerialPort port;
        const bool opened = port.openDevice(pty.slave());
        _exit(opened ? 12 : static_cast<int>(port.lastOpenError().failure));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(OpenFailure::Permission));
}

}  // namespace
}  // namespace tvx::link
