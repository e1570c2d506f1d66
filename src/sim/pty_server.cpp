#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "link/byte_trace.h"

namespace tvx::sim {
namespace {

using Micros = std::chrono::microseconds;
using SteadyTime = std::chrono::steady_clock::time_point;

constexpr Micros kByteTime{1042};  // 10 bit times at 9600 baud

// When an adapter with a latency timer of holdMs passes on a byte that came at `due`: at the
// timer's next tick (at once when holdMs is 0).
SteadyTime heldUntil(SteadyTime due, unsigned holdMs) {
    if (holdMs == 0) {
        return due;
    }
    const Micros since = std::chrono::duration_cast<Micros>(due.time_since_epoch());
    const Micros hold = std::chrono::milliseconds(holdMs);
    return SteadyTime((since + hold - Micros{1}) / hold * hold);
}
constexpr Micros kIdleWait{20000};  // how soon a stop request is noticed

timespec toTimespec(Micros wait) {
    timespec spec{};
    spec.tv_sec = static_cast<time_t>(wait.count() / 1000000);
    spec.tv_nsec = static_cast<long>(wait.count() % 1000000) * 1000;
    return spec;
}

std::uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
}

}  // namespace

PtyServer::PtyServer(Scenario scenario, Options options)
    : m_box(std::move(scenario)), m_options(std::move(options)) {
    if (!m_options.tracePath.empty()) {
        m_trace = std::make_unique<link::ByteTrace>(m_options.tracePath);
    }
}

PtyServer::~PtyServer() {
    stop();
    closeTerminal();
}

bool PtyServer::open(std::string& error) {
    if (m_trace && !m_trace->isOpen()) {
        error = "cannot write the trace file " + m_options.tracePath;
        return false;
    }
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        closeTerminal();
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        closeTerminal();
        return false;
    }
    m_device = name;
    m_slave = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        error = "cannot open " + m_device + ": " + std::strerror(errno);
        closeTerminal();
        return false;
    }
    makeRaw(m_slave);
    return true;
}

void PtyServer::closeTerminal() {
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyServer::serve(const std::atomic<bool>& stop) {
    struct Pending {
        std::uint8_t byte;
        SteadyTime due;
    };
    std::deque<Pending> outgoing;
    while (!stop.load() && m_master >= 0) {
        const SteadyTime now = std::chrono::steady_clock::now();
        // Send what is due.
        while (!outgoing.empty() && outgoing.front().due <= now) {
            const std::uint8_t byte = outgoing.front().byte;
            outgoing.pop_front();
            if (::write(m_master, &byte, 1) == 1 && m_trace) {
                m_trace->sent(byte, nowMs());
            }
        }
        // Wait for the tester's next byte or until the next reply byte is due, to the
        // microsecond: a wait in whole milliseconds would either send late or spin through
        // the last millisecond before each paced byte.
        Micros wait = kIdleWait;
        if (!outgoing.empty()) {
            wait = std::clamp(std::chrono::duration_cast<Micros>(outgoing.front().due - now),
                              Micros{0}, kIdleWait);
        }
        const timespec timeout = toTimespec(wait);
        pollfd waitFor{m_master, POLLIN, 0};
        const int ready = ::ppoll(&waitFor, 1, &timeout, nullptr);
        if (ready <= 0 || (waitFor.revents & POLLIN) == 0) {
            continue;
        }
        std::uint8_t chunk[256];
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got <= 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        for (ssize_t i = 0; i < got; ++i) {
            const std::uint64_t arrived = nowMs();
            if (m_trace) {
                m_trace->received(chunk[i], arrived);
            }
            BoxOutput out = m_box.receive(chunk[i], arrived);
            if (out.closeLine) {
                closeTerminal();  // the tester's port now sees a hang-up
                return;
            }
            SteadyTime due =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(out.delayMs);
            if (!outgoing.empty() && outgoing.back().due > due) {
                due = outgoing.back().due;
            }
            for (const std::uint8_t byte : out.bytes) {
                if (m_options.pace) {
                    due += kByteTime;
                }
                outgoing.push_back({byte, heldUntil(due, out.holdMs)});
            }
        }
    }
}

void PtyServer::start() {
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable()) {
        return;  // already serving (or ended by a closed line until stop())
    }
    m_stop = false;
    m_thread = std::thread([this] { serve(m_stop); });
}

void PtyServer::stop() {
    std::lock_guard lock(m_threadMutex);
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace tvx::sim
