#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "box.h"

namespace tvx::link {
class ByteTrace;
}

namespace tvx::sim {

// Serves a simulated box on a pseudo-terminal (POSIX only): the tester opens the slave
// device like any serial port. Runs in the calling thread (serve) or in its own (start).
class PtyServer {
public:
    struct Options {
        bool pace = false;      // send reply bytes at the 9600-baud wire rate (~1.04 ms each)
        std::string tracePath;  // when not empty, every byte in and out is logged there
    };

    PtyServer(Scenario scenario, Options options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal. False with a message when that fails.
    bool open(std::string& error);
    // The device the tester opens, e.g. "/dev/pts/4".
    const std::string& devicePath() const { return m_device; }

    // Answers the tester until `stop` is set or the line is closed by a fault. Use either
    // serve() or start(), not both at once.
    void serve(const std::atomic<bool>& stop);
    // serve() on a thread of its own, until stop() or destruction. A second start() while
    // that thread is there does nothing; after stop() the server can be started again.
    void start();
    // Ends the thread of start() and waits for it; nothing to do when it is not there.
    void stop();

    // Runs fn on the box while the server holds it still (faults, inspection).
    template <typename Fn>
    auto withBox(Fn&& fn) {
        std::lock_guard lock(m_mutex);
        return fn(m_box);
    }

private:
    void closeTerminal();

    Box m_box;
    Options m_options;
    std::unique_ptr<link::ByteTrace> m_trace;
    std::mutex m_mutex;
    int m_master = -1;
    int m_slave = -1;  // held open so the master never sees a hang-up between testers
    std::string m_device;
    std::mutex m_threadMutex;  // start() and stop() take turns
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace tvx::sim
