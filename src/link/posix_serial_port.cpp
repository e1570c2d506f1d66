#include "posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <filesystem>

#include "port_holder.h"
#include "port_info.h"
#include "sysfs_ports.h"

namespace tvx::link {
namespace {

// One byte on the line at 9600 baud: 10 bits, 1041.7 us; rounded down, so that a sleep of
// a number of byte times never outlasts the bytes it waits for.
constexpr std::chrono::microseconds kByteTime{1041};

// Asks the driver to pass received bytes on at once instead of holding them for its latency
// timer (USB adapters hold a 12-byte reply up to 16 ms). Drivers without the request and
// pseudo-terminals refuse it; the port works as before then.
bool askLowLatency(int fd) {
#ifdef __linux__
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        return false;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
#else
    (void)fd;
    return false;
#endif
}

// Waits until the port has a byte to read or the deadline has passed (never less).
ReadStatus waitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd waitFor{fd, POLLIN, 0};
        const int ready =
            ::poll(&waitFor, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadStatus::Error;
        }
        if (ready == 0) {
            if (Clock::now() < deadline) {
                continue;
            }
            return ReadStatus::TimedOut;
        }
        if ((waitFor.revents & POLLIN) != 0) {
            return ReadStatus::Byte;
        }
        return ReadStatus::Error;  // hung up or failing
    }
}

OpenFailure openFailureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenFailure::Missing;
        case EACCES:
        case EPERM:
            return OpenFailure::Permission;
        case EBUSY:
        case EWOULDBLOCK:  // the lock of another program
            return OpenFailure::Busy;
        case ENOTTY:
        case EINVAL:
            return OpenFailure::NotSerialPort;
        default:
            return OpenFailure::Other;
    }
}

}  // namespace

PosixSerialPort::PosixSerialPort(std::optional<std::string> deviceOverride)
    : m_override(std::move(deviceOverride)) {}

PosixSerialPort::~PosixSerialPort() {
    close();
}

std::vector<std::string> PosixSerialPort::listDevices() {
    std::vector<std::string> all;
    for (const PortInfo& port : discoverPorts()) {
        all.push_back(port.device);
    }
    return all;
}

bool PosixSerialPort::openIndex(int index) {
    if (index < 0 || index > 7) {
        return isOpen();  // nothing opened; tells whether the port held is open
    }
    if (m_override) {
        return openDevice(*m_override);
    }
    const auto devices = listDevices();
    if (static_cast<std::size_t>(index) >= devices.size()) {
        close();
        m_openError = {OpenFailure::Missing,
                       "no serial device number " + std::to_string(index + 1)};
        return false;
    }
    return openDevice(devices[static_cast<std::size_t>(index)]);
}

bool PosixSerialPort::refuse(const std::string& device, int fd, int error) {
    if (fd >= 0) {
        ::close(fd);
    }
    m_openError = {openFailureOf(error), std::strerror(error), {}, {}};
    // Say who holds the line, or which group may use it, when the system tells.
    if (m_openError.failure == OpenFailure::Busy) {
        m_openError.holder = deviceHolder(device);
    } else if (m_openError.failure == OpenFailure::Permission) {
        m_openError.group = deviceGroup(device);
    }
    return false;
}

bool PosixSerialPort::openDevice(const std::string& device) {
    close();
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return refuse(device, -1, errno);
    }
    // One tester at a time on a line, as Windows grants a COM port to one program: an
    // advisory lock that other testers and serial programs look for, and the terminal's
    // exclusive mode, which refuses any further open (except to root).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return refuse(device, fd, errno);
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {  // a file, a pipe: no serial line
        return refuse(device, fd, errno);
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        return refuse(device, fd, errno);
    }
    // Raw bytes both ways (no line editing, echo, signals or translation), 9600 baud, 8 data
    // bits, no parity. XON/XOFF is off because it would swallow the bytes 0x11 and 0x13;
    // RTS/CTS flow control is off because a box that drives no CTS would hold every write;
    // CLOCAL ignores the modem lines. Stop bits stay as the port had them, and so do DTR and
    // RTS (some boxes draw their power from them).
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF | IXANY);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        ::ioctl(fd, TIOCNXCL);
        return refuse(device, fd, errno);
    }
    m_lowLatency = askLowLatency(fd);
    m_fd = fd;
    m_device = device;
    m_openError = {};
    return true;
}

std::optional<unsigned> PosixSerialPort::latencyTimerMs() const {
    if (m_fd < 0) {
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(m_device, error);
    return error ? std::nullopt : latencyTimerOfTty("/sys", real.filename().string());
}

bool PosixSerialPort::close() {
    if (m_fd < 0) {
        return false;
    }
    // A pseudo-terminal outlives this open: its exclusive mode would refuse the next tester.
    ::ioctl(m_fd, TIOCNXCL);
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return closed;
}

void PosixSerialPort::purge() {
    if (m_fd >= 0) {
        ::tcflush(m_fd, TCIOFLUSH);
    }
}

bool PosixSerialPort::writeByte(std::uint8_t byte) {
    if (m_fd < 0) {
        return false;
    }
    for (;;) {
        const ssize_t written = ::write(m_fd, &byte, 1);
        if (written == 1) {
            return true;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The output queue is full: wait a little for room (a signal only restarts it).
            pollfd waitFor{m_fd, POLLOUT, 0};
            int ready = 0;
            do {
                ready = ::poll(&waitFor, 1, 100);
            } while (ready < 0 && errno == EINTR);
            if (ready > 0 && (waitFor.revents & POLLOUT) != 0) {
                continue;
            }
        }
        return false;
    }
}

ReadStatus PosixSerialPort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    if (m_fd < 0) {
        return ReadStatus::Error;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const ReadStatus status = waitReadable(m_fd, deadline);
        if (status != ReadStatus::Byte) {
            return status;
        }
        const ssize_t got = ::read(m_fd, &byte, 1);
        if (got == 1) {
            return ReadStatus::Byte;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        return ReadStatus::Error;  // end of file or a failing device
    }
}

ReadStatus PosixSerialPort::readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                                      std::size_t& received) {
    received = 0;
    if (m_fd < 0) {
        return ReadStatus::Error;
    }
    using Clock = std::chrono::steady_clock;
    auto lastSeen = Clock::now();  // when a byte last came, or the reading began
    bool slept = false;
    bool readable = false;  // the port said a byte was there
    while (received < bytes.size()) {
        // In raw mode without a minimum count an empty port reads as 0 bytes.
        const ssize_t got = ::read(m_fd, bytes.data() + received, bytes.size() - received);
        if (got > 0) {
            received += static_cast<std::size_t>(got);
            lastSeen = Clock::now();
            slept = false;
            readable = false;
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return ReadStatus::Error;  // a failing device
        }
        if (got == 0 && readable) {
            return ReadStatus::Error;  // said to have a byte, yet none: end of file
        }
        const auto giveUp = lastSeen + std::chrono::milliseconds(timeoutMs);
        const std::size_t missing = bytes.size() - received;
        if (missing > 1 && !slept) {
            std::this_thread::sleep_until(
                std::min(giveUp, Clock::now() + kByteTime * static_cast<int>(missing - 1)));
            slept = true;
            continue;
        }
        const ReadStatus status = waitReadable(m_fd, giveUp);
        if (status != ReadStatus::Byte) {
            return status;
        }
        readable = true;
    }
    return ReadStatus::Byte;
}

}  // namespace tvx::link
