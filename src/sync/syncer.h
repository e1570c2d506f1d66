#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "sync/sync_pass.h"
#include "sync/sync_settings.h"
#include "sync/sync_state.h"

namespace tvx::sync {

// The shared history's own thread: pushes and pulls over its own connections to the record
// and the server, so a session, a live cycle or a programming run never waits for it. After
// a pass that went through it waits `interval` (or a wake()); after a failed one it tries
// again with growing pauses, up to `maxBackoff`.
class Syncer {
public:
    struct Options {
        SyncSettings settings;
        std::filesystem::path recordPath;
        PassOptions pass;
        std::chrono::milliseconds interval{30000};
        std::chrono::milliseconds firstBackoff{1000};
        std::chrono::milliseconds maxBackoff{60000};
    };
    using Listener = std::function<void(const SyncStatus&)>;

    // Starts the thread; `listener` (called on it after every pass) may be empty.
    Syncer(Options options, Listener listener);
    ~Syncer();  // stops, after the pass under way (bounded by the connection time-out)
    Syncer(const Syncer&) = delete;
    Syncer& operator=(const Syncer&) = delete;

    void wake();                  // a pass now
    std::int64_t passes() const;  // passes ended so far

private:
    void run();

    Options m_options;
    Listener m_listener;
    mutable std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    bool m_stop = false;
    bool m_woken = false;
    std::int64_t m_passes = 0;
    std::thread m_thread;
};

}  // namespace tvx::sync
