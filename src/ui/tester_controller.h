#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "datadir/code_journal.h"
#include "link/clock.h"
#include "link/line_ring.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_port.h"
#include "session/interruptible_clock.h"
#include "session/session.h"
#include "session/session_runner.h"
#include "session/view_log.h"
#include "support/screen_history.h"
#include "support/support_facts.h"
#include "ui/form_view.h"
#include "ui/queued_view.h"
#include "ui/trend_controller.h"

namespace tvx::link {
class ByteTrace;
}
namespace tvx::session {
class RecordKeeper;
class UnfinishedRunWatch;
}  // namespace tvx::session

namespace tvx::ui {

class SyncPanel;

class TForm1;
class WindowNotes;

// Runs the diagnostic session behind the window: the session steps on its own worker
// thread, every click becomes a command queued to it, and everything it shows comes back
// to the window through the GUI thread. The window holds no behaviour of its own.
class TesterController : public QObject {
    Q_OBJECT

public:
    struct Setup {
        link::SerialPort& port;
        // Every pause of the session and the link. In the program an InterruptibleClock
        // (give it as `interruptible` too) so that closing never waits for a pause.
        link::Clock& clock;
        // Times the interval between two steps.
        link::Clock& tickClock;
        session::InterruptibleClock* interruptible = nullptr;
        std::filesystem::path dataDirectory;
        link::ByteTrace* trace = nullptr;
    };
    // ---- Port list, connection doctor and support file.
    struct Diagnostics {
        // What COM1..COM8 open, for the settings screen's port list; none: not shown.
        session::Session::PortLister portLister;
        // The modules the (simulated) vehicle has, for the doctor after a failed start.
        std::optional<session::ModuleExpectation> expectedModules;
        std::string portDevice;  // --port, for the support file
        std::string simulated;   // the simulated vehicle's name, for the support file
    };

    TesterController(TForm1& form, const Setup& setup);
    ~TesterController() override;

    // Before start(): the port list's source and what the support file names.
    void setDiagnostics(Diagnostics diagnostics);
    // Before start(): writes every change the window applies to PATH (see ViewLog); false
    // when the file cannot be written.
    bool openViewLog(const std::string& path) { return m_viewLog.open(path); }
    void start();
    // Stops the worker (pauses are cut short); the window stays as it is. Idempotent.
    void stop();
    bool running() const { return m_runner.running(); }

    // The view calls waiting for the GUI thread (tests wait for it to drain).
    const QueuedView& queuedView() const { return m_queued; }
    // The workshop record of this window's sessions (live recordings start and stop here);
    // nullptr in a build without the record.
    session::RecordKeeper* recordKeeper() { return m_record.get(); }
    // Opens the records dialog (the button beside EXIT), or says this build keeps none.
    void openRecords();
    QWidget* recordsDialog() const { return m_recordsDialog.get(); }
    // Opens the shared history's settings (the settings screen's button), or says this build
    // keeps none.
    void openSyncSettings();
    QWidget* syncDialog() const { return m_syncDialog.get(); }

    // ---- Support file: writes the JSON file of what happened (the window's "support"
    // button asks where). False with a message when it could not be written.
    bool saveSupportFile(const std::filesystem::path& file, std::string& error) const;
    // The "support" button: asks for a file name, saves, and says how it went.
    void askAndSaveSupportFile();

    // The live-data chart, recording and replay.
    TrendController& trend() { return *m_trend; }
    // A further listener of the session's events (benchmarks, a workshop record); before
    // start() only. Called on the session's worker thread.
    void addSessionListener(session::SessionEvents& listener) { m_session.addListener(listener); }

private:
    std::unique_ptr<trend::RecordingStore> recordingStore(const std::filesystem::path& folder);
    void connectControls();
    void post(session::SessionRunner::Command command);
    // A replay holds the session still: done(true) once it waits for the operator and every
    // click is dropped, done(false) when it is busy. On the GUI thread.
    void holdForReplay(std::function<void(bool)> done);
    void releaseFromReplay();
    // The language of the settings file ('1' English, '2' Turkish), as the session uses it.
    char language() const;

    TForm1& m_form;
    FormView m_formView;
    session::ViewLog m_viewLog;  // what the window applied, for --view-log
    QueuedView m_queued;
    std::filesystem::path m_dataDirectory;
    session::CodeJournal m_journal;  // the session's guard where no record is kept
    Diagnostics m_diagnostics;
    link::LineRing m_ring;
    session::ScreenHistory m_history;  // between the session and the queued view
    session::SupportFacts m_facts;
    // Witnesses the recordings (made before the trend controller); outlives the worker.
    std::unique_ptr<session::RecordKeeper> m_record;
    QTimer m_portListTimer;                    // the port list follows adapters plugged in or out
    std::atomic<bool> m_held = false;          // a replay has the window: clicks are dropped
    std::unique_ptr<TrendController> m_trend;  // its listeners outlive the session
    std::unique_ptr<WindowNotes> m_notes;      // as long
    link::Link m_link;
    link::Requests m_requests;
    session::Session m_session;
    std::unique_ptr<session::UnfinishedRunWatch> m_unfinished;  // outlives the worker too
    std::unique_ptr<QWidget> m_recordsDialog;
    std::unique_ptr<QWidget> m_syncDialog;  // kept while a check runs, even when closed
    SyncPanel* m_syncPanel = nullptr;       // the form's child: the shared history's status
    session::SessionRunner m_runner;        // last: its worker stops before the rest goes
};

}  // namespace tvx::ui
