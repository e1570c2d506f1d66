#include "ui/tester_controller.h"

#include <QPushButton>

#include "link/byte_trace.h"
#include "trend/recording_store.h"
#include "ui/radio_group.h"
#include "ui/tform1.h"

namespace tvx::ui {
namespace {

using session::Module;
using session::Session;

// A command button and the session command it gives (CANCEL and HELP give none).
struct ButtonCommand {
    const char* button;
    void (Session::*command)();
};

constexpr ButtonCommand kButtons[] = {
    {"OK", &Session::ok},
    {"BACK", &Session::back},
    {"DEMO", &Session::demo},
    {"Setting", &Session::setting},
    {"live", &Session::live},
    {"rdtc", &Session::readDtc},
    {"cdtc", &Session::clearDtc},
    {"read_inj", &Session::readInjectors},
    {"prog_inj", &Session::programInjectors},
};

struct ListCommand {
    const char* list;
    void (Session::*command)(int);
};

constexpr ListCommand kLists[] = {
    {"RGCom", &Session::selectCom},
    {"Language", &Session::selectLanguage},
    {"PG1", &Session::selectPetrol},
    {"DG1", &Session::selectDiesel},
};

constexpr Module kModules[] = {Module::Pcm,    Module::Tcm,     Module::Abs,
                               Module::AirBag, Module::Cluster, Module::Icu};

}  // namespace

TesterController::TesterController(TForm1& form, const Setup& setup)
    : QObject(nullptr),
      m_form(form),
      m_formView(form),
      m_queued(m_formView),
      m_trend(std::make_unique<TrendController>(
          form, setup.clock,
          std::make_unique<trend::CsvRecordingFolder>(setup.dataDirectory / "recordings"),
          QString::fromStdString((setup.dataDirectory / "recordings").string()),
          TrendController::SessionHold{[this](auto done) { holdForReplay(std::move(done)); },
                                       [this] { releaseFromReplay(); }})),
      m_link(setup.port, setup.clock),
      m_requests(m_link),
      m_session(m_link, m_requests, setup.clock, m_queued, setup.dataDirectory),
      m_runner(m_session, setup.tickClock, setup.interruptible) {
    m_link.setTrace(setup.trace);
    m_session.addListener(m_trend->liveTap());
    m_session.addListener(m_trend->recorder());
    connectControls();
    connect(&form, &TForm1::closing, this, &TesterController::stop);
}

TesterController::~TesterController() {
    stop();
}

void TesterController::start() {
    m_runner.start();
}

void TesterController::stop() {
    m_runner.stop();
    m_queued.flush();  // what the session showed last stays on the window
}

void TesterController::post(session::SessionRunner::Command command) {
    if (m_held)
        return;
    // Checked again on the worker: a click queued just before a replay took hold is dropped.
    m_runner.post([this, command = std::move(command)](Session& s) {
        if (!m_held)
            command(s);
    });
}

void TesterController::holdForReplay(std::function<void(bool)> done) {
    if (!m_runner.running()) {
        m_held = true;  // nothing runs that could send
        done(true);
        return;
    }
    m_runner.post([this, done = std::move(done)](Session& s) {
        const bool waiting = s.isWaiting();
        if (waiting)
            m_held = true;
        QMetaObject::invokeMethod(
            this,
            [this, done, waiting] {
                if (waiting)
                    m_queued.flush();  // the last screen before the replay, shown whole
                done(waiting);
            },
            Qt::QueuedConnection);
    });
}

void TesterController::releaseFromReplay() {
    m_held = false;
}

void TesterController::connectControls() {
    for (const ButtonCommand& entry : kButtons) {
        connect(
            m_form.button(entry.button), &QPushButton::clicked, this,
            [this, command = entry.command] { post([command](Session& s) { (s.*command)(); }); });
    }
    for (const ListCommand& entry : kLists) {
        connect(m_form.list(entry.list), &RadioGroup::itemClicked, this,
                [this, command = entry.command](int index) {
                    post([command, index](Session& s) { (s.*command)(index); });
                });
    }
    const QStringList& modules = TForm1::moduleButtonNames();
    for (std::size_t i = 0; i < std::size(kModules); ++i) {
        connect(m_form.button(modules[static_cast<int>(i)]), &QPushButton::clicked, this,
                [this, module = kModules[i]] {
                    post([module](Session& s) { s.selectModule(module); });
                });
    }
    const InjectorFrame& injectors = m_form.injectors();
    for (int n = 1; n <= 4; ++n) {
        connect(injectors.panels[n - 1], &InjectorPanel::clicked, this,
                [this, n] { post([n](Session& s) { s.injectorPanelClick(n); }); });
        QLineEdit* edit = injectors.edits[n - 1];
        connect(injectors.okButtons[n - 1], &QPushButton::clicked, this, [this, n, edit] {
            // The text as it stands at the click, taken on the GUI thread.
            post([n, text = edit->text().toStdString()](Session& s) { s.injectorOk(n, text); });
        });
    }
}

}  // namespace tvx::ui
