// Exclusive use of a POSIX port: the lock and the terminal's exclusive mode, and who holds
// a port that is in use.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "link/port_holder.h"
#include "link/posix_serial_port.h"
#include "pty_pair.h"

namespace tvx::link {
namespace {

std::string ownProgramName() {
    std::ifstream in("/proc/self/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// Opens the device in a child that runs as the unprivileged user "nobody" (root passes a
// terminal's exclusive mode): the errno of a plain open, 0 when it opened.
int plainOpenAsNobody(const std::string& device) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(250);
        }
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

TEST(ExclusivePort, ASecondTesterIsToldWhoHoldsThePort) {
    Pty pty;
    PosixSerialPort first;
    ASSERT_TRUE(first.openDevice(pty.slave()));
    PosixSerialPort second;
    EXPECT_FALSE(second.openDevice(pty.slave()));
    EXPECT_EQ(second.lastOpenError().failure, OpenFailure::Busy);
    EXPECT_EQ(second.lastOpenError().holder,
              ownProgramName() + " (pid " + std::to_string(::getpid()) + ")");
    EXPECT_EQ(deviceHolder(pty.slave()), second.lastOpenError().holder);
    first.close();
    EXPECT_EQ(deviceHolder(pty.slave()), "") << "nobody holds a closed port";
}

// Programs that look for no lock are kept out by the terminal's exclusive mode, and the
// next tester gets in once the first one closed (a pseudo-terminal keeps its mode).
TEST(ExclusivePort, KeepsOutAPlainOpenWhileOpenAndLetsItInAfterwards) {
    Pty pty;
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0666), 0);
    ASSERT_EQ(plainOpenAsNobody(pty.slave()), 0) << "the test needs a port nobody may open";
    {
        PosixSerialPort port;
        ASSERT_TRUE(port.openDevice(pty.slave()));
        EXPECT_EQ(plainOpenAsNobody(pty.slave()), EBUSY);
    }
    EXPECT_EQ(plainOpenAsNobody(pty.slave()), 0);
    PosixSerialPort again;
    EXPECT_TRUE(again.openDevice(pty.slave()));
}

TEST(ExclusivePort, NamesTheGroupOfADeviceThisUserMayNotUse) {
    Pty pty;
    struct stat info {};
    ASSERT_EQ(::stat(pty.slave().c_str(), &info), 0);
    const group* owner = getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(deviceGroup(pty.slave()), owner->gr_name);
    EXPECT_EQ(deviceGroup("/dev/tvx-no-such-tty"), "");
}

struct LocksCase {
    const char* text;
    std::optional<int> pid;
};

class ProcLocks : public ::testing::TestWithParam<LocksCase> {};

// The file of the lock: device 00:19 (hex), inode 5.
TEST_P(ProcLocks, GiveTheHolderOfTheFilesLock) {
    EXPECT_EQ(lockHolderPid(GetParam().text, 0x00, 0x19, 5), GetParam().pid) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProcLocks,
    ::testing::Values(LocksCase{"1: FLOCK  ADVISORY  WRITE 4711 00:19:5 0 EOF\n", 4711},
                      LocksCase{"1: POSIX  ADVISORY  WRITE 12 08:01:99 0 EOF\n"
                                "2: FLOCK  ADVISORY  WRITE 4711 00:19:5 0 EOF\n",
                                4711},
                      LocksCase{"1: -> FLOCK  ADVISORY  WRITE 99 00:19:5 0 EOF\n", std::nullopt},
                      LocksCase{"1: FLOCK  ADVISORY  WRITE 4711 00:19:55 0 EOF\n", std::nullopt},
                      LocksCase{"1: FLOCK  ADVISORY  WRITE 4711 00:1a:5 0 EOF\n", std::nullopt},
                      LocksCase{"1: OFDLCK ADVISORY  READ  -1 00:19:5 0 EOF\n", std::nullopt},
                      LocksCase{"garbage\n\n1:\n1: FLOCK ADVISORY WRITE 4711\n", std::nullopt},
                      LocksCase{"1: FLOCK ADVISORY WRITE 99999999999999999999 00:19:5 0 EOF\n",
                                std::nullopt},
                      LocksCase{"", std::nullopt}));

TEST(LockFile, GivesTheProcessIdInTextOrBinaryForm) {
    EXPECT_EQ(lockFilePid("      4711\n"), 4711);
    EXPECT_EQ(lockFilePid("4711"), 4711);
    const int pid = 815;
    EXPECT_EQ(lockFilePid(std::string_view(reinterpret_cast<const char*>(&pid), sizeof pid)), 815);
    EXPECT_EQ(lockFilePid("abc"), std::nullopt);
    EXPECT_EQ(lockFilePid(""), std::nullopt);
    EXPECT_EQ(lockFilePid("123456789012345"), std::nullopt);
}

}  // namespace
}  // namespace tvx::link
