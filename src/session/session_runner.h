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
//
// Starting and stopping:
// - start() and stop() may be called from any thread, several at once; they take turns.
// - stop() returns once the worker has ended, in every caller: a stop() that comes while
//   another waits for the worker waits with it. A stopped runner stops again at no cost.
// - Commands are taken only while the runner runs. post() drops a command given before
//   start(), after stop() or while the runner stops (and says so), and stop() drops the
//   commands not yet applied. A click made while the tester was stopped therefore never
//   acts after a later start(): a restarted runner begins with an empty queue.
// - A command may call stop() on the worker itself: the worker then ends after that
//   command instead of waiting for itself; the next start(), stop() or the destructor
//   waits for it to end. start() called by a command does nothing (the worker is there).
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
    // InterruptiblePort on the same clock, else within its own time-out.
    void stop();
    // Queues a command; thread-safe. False when the runner is not running: the command is
    // dropped.
    bool post(Command command);
    bool running() const;

private:
    void run();
    bool onWorker() const;

    Session& m_session;
    link::Clock& m_tickClock;
    InterruptibleClock* m_interruptible;
    std::mutex m_control;        // start() and stop() take turns; held while a stop() joins
    mutable std::mutex m_mutex;  // the queue and m_running
    std::condition_variable m_wake;
    std::deque<Command> m_commands;
    bool m_running = false;  // commands are taken and the worker goes on
    std::thread m_thread;
};

}  // namespace tvx::session
