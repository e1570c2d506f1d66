#include "session/session_runner.h"

namespace tvx::session {

namespace {
constexpr unsigned kTickMs = 1;  // the interval of the tester's timer

// The runner whose worker is the calling thread, if any.
thread_local const SessionRunner* t_workerOf = nullptr;
}  // namespace

SessionRunner::SessionRunner(Session& session, link::Clock& tickClock,
                             InterruptibleClock* interruptible)
    : m_session(session), m_tickClock(tickClock), m_interruptible(interruptible) {}

SessionRunner::~SessionRunner() {
    stop();
}

bool SessionRunner::onWorker() const {
    return t_workerOf == this;
}

void SessionRunner::start() {
    if (onWorker()) {
        return;
    }
    std::lock_guard control(m_control);
    {
        std::lock_guard lock(m_mutex);
        if (m_running) {
            return;
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();  // a worker that a command of its own stopped
    }
    m_session.clearAbort();
    if (m_interruptible != nullptr) {
        m_interruptible->reset();
    }
    {
        std::lock_guard lock(m_mutex);
        m_commands.clear();
        m_running = true;
    }
    m_thread = std::thread([this] { run(); });
}

void SessionRunner::stop() {
    auto endRunning = [this] {
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_commands.clear();
    };
    if (onWorker()) {
        endRunning();  // the worker ends after the command in progress
        return;
    }
    std::lock_guard control(m_control);
    endRunning();
    if (!m_thread.joinable()) {
        return;
    }
    m_session.requestAbort();
    if (m_interruptible != nullptr) {
        m_interruptible->interrupt();
    }
    m_wake.notify_all();
    m_thread.join();
}

bool SessionRunner::post(Command command) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running) {
            return false;
        }
        m_commands.push_back(std::move(command));
        m_session.requestYield();  // a live pass in progress stops after its current read
    }
    m_wake.notify_all();
    return true;
}

bool SessionRunner::running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

void SessionRunner::run() {
    t_workerOf = this;
    for (;;) {
        Command command;
        {
            std::unique_lock lock(m_mutex);
            if (m_commands.empty() && m_session.isWaiting()) {
                m_wake.wait(lock, [this] { return !m_running || !m_commands.empty(); });
            }
            if (!m_running) {
                return;
            }
            if (!m_commands.empty()) {
                command = std::move(m_commands.front());
                m_commands.pop_front();
            }
            if (m_commands.empty()) {
                m_session.clearYield();  // no command waits any more
            }
        }
        if (command) {
            command(m_session);  // one at a time, so a stop() drops the rest
            continue;            // the state may have become a waiting one
        }
        m_session.step();
        m_tickClock.sleepMs(kTickMs);
    }
}

}  // namespace tvx::session
