#pragma once

#include <QObject>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_port.h"
#include "session/interruptible_clock.h"
#include "session/session.h"
#include "session/session_runner.h"
#include "ui/form_view.h"
#include "ui/queued_view.h"
#include "ui/trend_controller.h"

namespace tvx::link {
class ByteTrace;
}

namespace tvx::ui {

class TForm1;

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

    TesterController(TForm1& form, const Setup& setup);
    ~TesterController() override;

    void start();
    // Stops the worker (pauses are cut short); the window stays as it is. Idempotent.
    void stop();
    bool running() const { return m_runner.running(); }

    // The view calls waiting for the GUI thread (tests wait for it to drain).
    const QueuedView& queuedView() const { return m_queued; }

    // The live-data chart, recording and replay.
    TrendController& trend() { return *m_trend; }
    // A further listener of the session's events (benchmarks, a workshop record); before
    // start() only. Called on the session's worker thread.
    void addSessionListener(session::SessionEvents& listener) { m_session.addListener(listener); }

private:
    void connectControls();
    void post(session::SessionRunner::Command command);
    // A replay holds the session still: done(true) once it waits for the operator and every
    // click is dropped, done(false) when it is busy. On the GUI thread.
    void holdForReplay(std::function<void(bool)> done);
    void releaseFromReplay();

    TForm1& m_form;
    FormView m_formView;
    QueuedView m_queued;
    std::atomic<bool> m_held = false;          // a replay has the window: clicks are dropped
    std::unique_ptr<TrendController> m_trend;  // its listeners outlive the session
    link::Link m_link;
    link::Requests m_requests;
    session::Session m_session;
    session::SessionRunner m_runner;  // last: its worker stops before the rest goes
};

}  // namespace tvx::ui
