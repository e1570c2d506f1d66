#include "cli/box_sync.h"

#if TVX_HAVE_SYNC
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "record/record.h"
#include "sync/sync_settings.h"
#include "sync/sync_state.h"
#include "sync/syncer.h"
#endif

namespace tvx::cli {

#if TVX_HAVE_SYNC
namespace {

// What the sync thread's passes found; shared with its listener, which may outlive the
// command when a pass hangs at its end.
struct Passes {
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t count = 0;
    sync::SyncStatus last;
    bool stopped = false;  // the thread has ended
};

bool stoppedByTheServer(const sync::SyncStatus& status) {
    return status.unreachableSince || status.refused || !status.problem.empty();
}

}  // namespace

struct BoxSync::State {
    State(std::filesystem::path directory, bool inTurkish, Console& terminal,
          std::chrono::milliseconds wait)
        : dataDirectory(std::move(directory)),
          turkish(inTurkish),
          console(terminal),
          exitWait(wait) {}

    std::filesystem::path dataDirectory;
    bool turkish;
    Console& console;
    std::chrono::milliseconds exitWait;
    std::optional<sync::SyncSettings> settings;
    std::shared_ptr<Passes> passes = std::make_shared<Passes>();
    std::unique_ptr<sync::Syncer> syncer;

    // The record as the sync left it: what waits, and why.
    void sayWhatWaits(bool answeredInTime) {
        record::Record::Options options;
        options.mode = record::Database::Mode::ReadOnly;
        auto opened = record::Record::open(dataDirectory / record::Record::kFileName, options);
        if (!opened.record) {
            return;
        }
        const sync::SyncStatus status = sync::readSyncStatus(opened.record->database());
        if (status.waiting == 0) {
            return;
        }
        std::string why;
        if (stoppedByTheServer(status)) {
            why = " (" + sync::statusLine(status, turkish) + ")";
        } else if (!answeredInTime) {
            why = turkish ? " (sunucu zamanında yanıt vermedi)"
                          : " (the server did not answer in time)";
        }
        console.err << "tarvolinex-cli: "
                    << (turkish ? "ortak geçmiş: " + std::to_string(status.waiting) +
                                      " kayıt bu bilgisayarda sunucuyu bekliyor" + why +
                                      "; sonraki komutla, pencereyle ya da 'sync now' ile gider"
                                : "shared history: " + std::to_string(status.waiting) +
                                      " entries wait on this PC for the server" + why +
                                      "; they go with the next command, the window or 'sync now'")
                    << '\n';
    }
};

BoxSync::BoxSync(std::filesystem::path dataDirectory, char languageCode, Console& console,
                 std::chrono::milliseconds exitWait)
    : m_state(std::make_unique<State>(std::move(dataDirectory), languageCode == '2', console,
                                      exitWait)) {
    try {
        m_state->settings = sync::loadSyncSettings(m_state->dataDirectory);
    } catch (const std::exception& error) {
        console.err << "tarvolinex-cli: " << error.what()
                    << (m_state->turkish ? " (ortak geçmiş eşitlenmiyor)"
                                         : " (the shared history is not synced)")
                    << '\n';
    }
}

BoxSync::~BoxSync() {
    finish();
}

void BoxSync::start() {
    if (!m_state->settings || m_state->syncer) {
        return;
    }
    sync::Syncer::Options options;
    options.settings = *m_state->settings;
    options.recordPath = m_state->dataDirectory / record::Record::kFileName;
    m_state->syncer = std::make_unique<sync::Syncer>(
        options, [passes = m_state->passes](const sync::SyncStatus& status) {
            {
                const std::lock_guard lock(passes->mutex);
                ++passes->count;
                passes->last = status;
            }
            passes->changed.notify_all();
        });
}

void BoxSync::finish() {
    if (!m_state->syncer) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + m_state->exitWait;
    const std::shared_ptr<Passes> passes = m_state->passes;
    std::unique_lock lock(passes->mutex);
    const std::int64_t before = passes->count;
    lock.unlock();
    // A pass after the command's last write: everything on the server, or the server failed.
    m_state->syncer->wake();
    lock.lock();
    const bool answered = passes->changed.wait_until(lock, deadline, [&] {
        return passes->count > before &&
               (passes->last.waiting == 0 || stoppedByTheServer(passes->last));
    });
    lock.unlock();
    // Stopped on a thread of its own: a pass that hangs on the server ends that thread later,
    // never this command.
    std::thread([syncer = std::move(m_state->syncer), passes]() mutable {
        syncer.reset();
        {
            const std::lock_guard stoppedLock(passes->mutex);
            passes->stopped = true;
        }
        passes->changed.notify_all();
    }).detach();
    lock.lock();
    passes->changed.wait_until(lock, deadline, [&] { return passes->stopped; });
    lock.unlock();
    m_state->sayWhatWaits(answered);
}

#else

struct BoxSync::State {};

BoxSync::BoxSync(std::filesystem::path, char, Console&, std::chrono::milliseconds) {}
BoxSync::~BoxSync() = default;
void BoxSync::start() {}
void BoxSync::finish() {}

#endif

}  // namespace tvx::cli
