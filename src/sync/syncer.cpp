#include "sync/syncer.h"

#include <algorithm>

#include "record/record.h"

namespace tvx::sync {

Syncer::Syncer(Options options, Listener listener)
    : m_options(std::move(options)), m_listener(std::move(listener)) {
    m_thread = std::thread([this] { run(); });
}

Syncer::~Syncer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wakeUp.notify_all();
    m_thread.join();
}

void Syncer::wake() {
    {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wakeUp.notify_all();
}

std::int64_t Syncer::passes() const {
    const std::lock_guard lock(m_mutex);
    return m_passes;
}

void Syncer::run() {
    std::unique_ptr<record::Record> record;
    std::unique_ptr<PgConnection> server;  // kept between passes while it works
    auto backoff = m_options.firstBackoff;
    for (;;) {
        PassResult result;
        SyncStatus status;
        if (!record) {
            record = record::Record::open(m_options.recordPath).record;
        }
        if (record) {
            result = syncPass(m_options.settings, record->database(), m_options.pass, &server);
            try {
                status = readSyncStatus(record->database());
            } catch (const record::DbError& error) {
                status.problem = error.what();
            }
        } else {
            result.problem = "the record cannot be opened";
            status.problem = result.problem;
        }
        {
            const std::lock_guard lock(m_mutex);
            ++m_passes;
        }
        if (m_listener) {
            m_listener(status);
        }
        std::chrono::milliseconds pause = m_options.interval;
        if (result.ok()) {
            backoff = m_options.firstBackoff;
        } else if (!result.refused) {
            pause = backoff;
            backoff = std::min(backoff * 2, m_options.maxBackoff);
        }
        std::unique_lock lock(m_mutex);
        m_wakeUp.wait_for(lock, pause, [this] { return m_stop || m_woken; });
        if (m_stop) {
            return;
        }
        m_woken = false;
    }
}

}  // namespace tvx::sync
