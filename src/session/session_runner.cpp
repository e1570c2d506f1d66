#include "session/session_runner.h"

namespace tvx::session {

namespace {
constexpr unsigned kTickMs = 1;  // the interval of the tester's timer
}

SessionRunner::SessionRunner(Session& session, link::Clock& tickClock,
                             InterruptibleClock* interruptible)
    : m_session(session), m_tickClock(tickClock), m_interruptible(interruptible) {}

SessionRunner::~SessionRunner() {
    stop();
}

void SessionRunner::start() {
    std::lock_guard lock(m_mutex);
    if (m_running) {
        return;
    }
    m_stopping = false;
    m_running = true;
    m_session.clearAbort();
    if (m_interruptible != nullptr) {
        m_interruptible->reset();
    }
    m_thread = std::thread([this] { run(); });
}

void SessionRunner::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running) {
            return;
        }
        m_stopping = true;
    }
    m_session.requestAbort();
    if (m_interruptible != nullptr) {
        m_interruptible->interrupt();
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard lock(m_mutex);
    m_running = false;
}

void SessionRunner::post(Command command) {
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(std::move(command));
        m_session.requestYield();  // a live pass in progress stops after its current read
    }
    m_wake.notify_all();
}

bool SessionRunner::running() const {
    std::lock_guard lock(m_mutex);
    return m_running && !m_stopping;
}

void SessionRunner::run() {
    for (;;) {
        std::deque<Command> commands;
        {
            std::unique_lock lock(m_mutex);
            if (m_session.isWaiting()) {
                m_wake.wait(lock, [this] { return m_stopping || !m_commands.empty(); });
            }
            if (m_stopping) {
                return;
            }
            commands.swap(m_commands);
            m_session.clearYield();
        }
        for (Command& command : commands) {
            command(m_session);
        }
        if (!commands.empty()) {
            continue;  // the state may have become a waiting one
        }
        m_session.step();
        m_tickClock.sleepMs(kTickMs);
    }
}

}  // namespace tvx::session
