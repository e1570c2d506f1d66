#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QLabel;
class QWidget;

namespace tvx::session {
class SessionEvents;
class SeenBeforeWatch;
}  // namespace tvx::session
namespace tvx::sync {
class Syncer;
}

namespace tvx::ui {

// The shared history in the window, under the module column: a small status of the sync
// (synced / n waiting / server unreachable since hh:mm; none when it is off) and, when a
// VIN is read, when and where the vehicle was seen before. The sync runs on its own thread
// (started here when the data directory has its settings); its status comes to the GUI
// thread queued.
class SyncPanel : public QObject {
    Q_OBJECT

public:
    SyncPanel(QWidget& form, std::filesystem::path dataDirectory, std::function<char()> language);
    ~SyncPanel() override;

    // The session's listener for the "seen before" line (called on the session's thread).
    session::SessionEvents& listener();
    QLabel* statusLabel() const { return m_status; }
    QLabel* seenLabel() const { return m_seen; }

    // The settings changed (set up, turned off): the sync thread starts again with the data
    // directory's settings, or stays stopped without. The old thread is stopped on a thread of
    // its own, so a pass that waits for a server never holds the window.
    void restart();
    // A pass now; false when the sync is off.
    bool syncNow();
    bool on() const { return m_syncer != nullptr; }

signals:
    // A pass ended (on the GUI thread): the record holds its status.
    void passed();

private:
    void start();

    QLabel* m_status;
    QLabel* m_seen;
    std::filesystem::path m_dataDirectory;
    std::function<char()> m_language;
    std::unique_ptr<session::SeenBeforeWatch> m_watch;
    std::unique_ptr<sync::Syncer> m_syncer;
    int m_generation = 0;                 // which thread's status the label shows
    std::vector<std::thread> m_stopping;  // old sync threads being stopped
};

}  // namespace tvx::ui
