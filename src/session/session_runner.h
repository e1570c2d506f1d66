#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "link/clock.h"
#include "session/interruptible_clock.h"
#include "session/session.h"

namespace tvx::session {

// Runs a Session on its own worker thread. Commands are queued and applied between two
// steps, as button handlers always ran between two timer ticks. While the state is a
// waiting state the worker sleeps on the queue (no spinning); otherwise it steps, leaving
// one timer interval (1 ms on the tick clock) between steps. The view is called on the
// worker thread.
class SessionRunner {
public:
    using Command = std::function<void(Session&)>;

    // `tickClock` times the interval between two steps. When the session's pauses go
    // through `interruptible` (the program's case), stop() cuts a pause in progress short.
    SessionRunner(Session& session, link::Clock& tickClock,
                  InterruptibleClock* interruptible = nullptr);
    ~SessionRunner();
    SessionRunner(const SessionRunner&) = delete;
    SessionRunner& operator=(const SessionRunner&) = delete;

    void start();
    // Ends the worker promptly: pauses are cut short, a live page stops between two reads.
    // A serial read already waiting ends within a slice when the port is an
    // InterruptiblePort on the same clock, else within its own time-out. Idempotent.
    void stop();
    // Queues a command; thread-safe.
    void post(Command command);
    bool running() const;

private:
    void run();

    Session& m_session;
    link::Clock& m_tickClock;
    InterruptibleClock* m_interruptible;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Command> m_commands;
    bool m_stopping = false;
    bool m_running = false;
    std::thread m_thread;
};

}  // namespace tvx::session
