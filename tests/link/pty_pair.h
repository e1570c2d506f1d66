#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace tvx::link {

// A pseudo-terminal pair: the test writes to the master, the port opens the slave.
class Pty {
public:
    Pty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        m_slave = ptsname(m_master);
    }
    ~Pty() {
        if (m_master >= 0) {
            ::close(m_master);
        }
    }
    const std::string& slave() const { return m_slave; }
    void send(std::initializer_list<unsigned char> bytes) const {
        for (unsigned char byte : bytes) {
            ASSERT_EQ(::write(m_master, &byte, 1), 1);
        }
    }
    // The slave's settings as another program sees them, read through the master (the
    // slave itself is in exclusive use while the port holds it).
    termios settings() const {
        termios t{};
        EXPECT_EQ(::tcgetattr(m_master, &t), 0);
        return t;
    }
    void setFlags(tcflag_t input, tcflag_t control) const {
        const int fd = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        t.c_iflag |= input;
        t.c_cflag |= control;
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
        ::close(fd);
    }

private:
    int m_master = -1;
    std::string m_slave;
};

}  // namespace tvx::link
