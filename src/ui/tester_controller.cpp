#include "ui/tester_controller.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "datadir/settings.h"
#include "keeper/unfinished_runs.h"
#include "link/byte_trace.h"
#include "link/system_name.h"
#include "support/support_file.h"
#if TVX_HAVE_RECORD
#include "keeper/record_keeper.h"
#include "ui/records_dialog.h"
#include "ui/sync_panel.h"
#endif
#if TVX_HAVE_SYNC
#include "ui/sync_dialog.h"
#endif
#include "trend/recording_store.h"
#include "trend/witnessed_store.h"
#include "ui/qt_translation.h"
#include "ui/radio_group.h"
#include "ui/tform1.h"
#include "ui/window_notes.h"

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

// What the record has to say comes from its writer thread or the session's; the window
// shows it in its notice line, never in a dialog that would stop a screen.
std::function<void(const std::string&)> noticeLine(TForm1& form) {
    QPointer<TForm1> window(&form);
    return [window](const std::string& text) {
        QMetaObject::invokeMethod(
            window.data(),
            [window, notice = QString::fromStdString(text)] {
                if (window) {
                    window->showRecordNotice(notice);
                }
            },
            Qt::QueuedConnection);
    };
}

// The workshop record of the window's sessions; none in a build without it.
std::unique_ptr<session::RecordKeeper> workshopRecord(TForm1& form,
                                                      const std::filesystem::path& dataDirectory) {
#if TVX_HAVE_RECORD
    return std::make_unique<session::RecordKeeper>(dataDirectory, session::RecordKeeper::Options{},
                                                   noticeLine(form));
#else
    (void)form;
    (void)dataDirectory;
    return nullptr;
#endif
}

// The support button's dialogs, in the language the window shows.
struct SupportTexts {
    QString title;
    QString saved;  // %1 the file
};

SupportTexts supportTexts(char languageCode) {
    if (languageCode == '2')
        return {QStringLiteral("Destek dosyası"), QStringLiteral("Kaydedildi: %1")};
    return {QStringLiteral("Support file"), QStringLiteral("Saved: %1")};
}

}  // namespace

TesterController::TesterController(TForm1& form, const Setup& setup)
    : QObject(nullptr),
      m_form(form),
      m_formView(form),
      m_viewLog(m_formView, setup.clock),
      m_queued(m_viewLog),
      m_dataDirectory(setup.dataDirectory),
      m_journal(setup.dataDirectory),
      m_history(m_queued, setup.clock),
      m_record(workshopRecord(form, setup.dataDirectory)),
      m_trend(std::make_unique<TrendController>(
          form, setup.clock, recordingStore(setup.dataDirectory / "recordings"),
          QString::fromStdString((setup.dataDirectory / "recordings").string()),
          TrendController::SessionHold{[this](auto done) { holdForReplay(std::move(done)); },
                                       [this] { releaseFromReplay(); }})),
      m_link(setup.port, setup.clock),
      m_requests(m_link),
      m_session(m_link, m_requests, setup.clock, m_history, setup.dataDirectory),
      m_runner(m_session, setup.tickClock, setup.interruptible) {
    m_link.setTrace(setup.trace);
    m_link.setRing(&m_ring);  // always on: the support file shows the line's last events
    m_session.addListener(m_facts);
    m_session.setProgrammingGuard(&m_journal);
#if TVX_HAVE_RECORD
    m_session.addListener(*m_record);
    m_session.setProgrammingGuard(m_record.get());
    // The shared history: its status, and where a car was seen before when its VIN is read.
    m_syncPanel = new SyncPanel(form, m_dataDirectory, [this] { return language(); });
    m_session.addListener(m_syncPanel->listener());
#endif
    // A car with a programming run that never finished is named once its VIN is read.
    m_unfinished = std::make_unique<session::UnfinishedRunWatch>(
        m_dataDirectory, [this] { return m_session.LanguageCode; }, noticeLine(form));
    m_session.addListener(*m_unfinished);
    m_notes = std::make_unique<WindowNotes>(form, setup.port, [this] { return language(); });
    m_session.addListener(*m_notes);
    m_session.addListener(m_trend->liveTap());
    m_session.addListener(m_trend->recorder());
    m_trend->focusLive = [this](std::vector<session::Gauge> gauges) {
        post([gauges = std::move(gauges)](Session& s) { s.focusLive(gauges); });
    };
    connectControls();
    connect(&form, &TForm1::closing, this, &TesterController::stop);
    connect(&form, &TForm1::recordsWanted, this, &TesterController::openRecords);
    connect(&form, &TForm1::syncSettingsWanted, this, &TesterController::openSyncSettings);
    // While the settings screen shows the port list, it follows the adapters plugged in.
    m_portListTimer.setInterval(2000);
    connect(&m_portListTimer, &QTimer::timeout, this, [this] {
        QWidget* settings = m_form.findChild<QWidget*>(QStringLiteral("Frame41"));
        if (m_diagnostics.portLister && settings != nullptr && settings->isVisible()) {
            post([](Session& s) { s.refreshPortList(); });
        }
    });
}

// Recordings are files in the data directory, for replay and export; the workshop record
// witnesses them: the same cycles go into the visit.
std::unique_ptr<trend::RecordingStore> TesterController::recordingStore(
    const std::filesystem::path& folder) {
    auto files = std::make_unique<trend::CsvRecordingFolder>(folder);
#if TVX_HAVE_RECORD
    return std::make_unique<trend::WitnessedRecordingStore>(std::move(files),
                                                            &m_record->liveStore());
#else
    return files;
#endif
}

TesterController::~TesterController() {
    stop();
    m_trend->recorder().stop();  // a recording in progress ends while the record is there
    m_session.removeListener(*m_unfinished);
#if TVX_HAVE_RECORD
    m_session.setProgrammingGuard(&m_journal);
    m_session.removeListener(*m_record);
    m_session.removeListener(m_syncPanel->listener());
#endif
}

void TesterController::openRecords() {
#if TVX_HAVE_RECORD
    if (m_record) {
        m_record->flush();  // what the session did so far is in the report
    }
    useQtTranslation(language());
    m_recordsDialog = std::make_unique<RecordsDialog>(m_dataDirectory, language());
    m_recordsDialog->show();
    m_recordsDialog->raise();
#else
    m_form.showRecordNotice(
        language() == '2' ? QStringLiteral("Bu s\u00fcr\u00fcm at\u00f6lye kayd\u0131 tutmaz.")
                          : QStringLiteral("This build keeps no workshop record."));
#endif
}

void TesterController::openSyncSettings() {
#if TVX_HAVE_SYNC
    auto* open = static_cast<SyncDialog*>(m_syncDialog.get());
    // A check under way keeps its dialog; else it opens afresh in the window's language.
    if (!open || (!open->busy() && open->language() != language())) {
        m_syncDialog.reset();
        m_syncDialog = std::make_unique<SyncDialog>(m_dataDirectory, language(), *m_syncPanel);
    }
    m_syncDialog->show();
    m_syncDialog->raise();
#else
    m_form.showRecordNotice(
        language() == '2' ? QStringLiteral("Bu s\u00fcr\u00fcm ortak ge\u00e7mi\u015f tutmaz.")
                          : QStringLiteral("This build keeps no shared history."));
#endif
}

char TesterController::language() const {
    return session::readSettings(session::settingsPath(m_dataDirectory)).settings.languageCode;
}

void TesterController::setDiagnostics(Diagnostics diagnostics) {
    m_diagnostics = std::move(diagnostics);
    m_session.setPortLister(m_diagnostics.portLister);
    m_session.setModuleExpectation(m_diagnostics.expectedModules);
}

void TesterController::start() {
    m_runner.start();
    m_portListTimer.start();
}

void TesterController::stop() {
    m_portListTimer.stop();
    m_runner.stop();
    m_queued.flush();  // what the session showed last stays on the window
}

bool TesterController::saveSupportFile(const std::filesystem::path& file,
                                       std::string& error) const {
    const session::Settings settings =
        session::readSettings(session::settingsPath(m_dataDirectory)).settings;
    session::SupportReport report;
    report.program = "tarvolinex";
    report.version = session::programVersion();
    report.operatingSystem = link::operatingSystemName();
    report.ports = link::discoverPorts();
    report.comPortIndex = settings.comPortIndex;
    report.languageCode = settings.languageCode;
    report.portDevice = m_diagnostics.portDevice;
    report.simulated = m_diagnostics.simulated;
    report.vehicle = m_facts.vehicle();
    report.line = m_ring.snapshot();
    report.lineEventsTotal = m_ring.total();
    report.screens = m_history.screens();
    report.finding = m_facts.finding();
    report.vin = m_facts.vin();
    return session::writeSupportFile(file, report, error);
}

void TesterController::askAndSaveSupportFile() {
    const QString suggested =
        QDir::home().filePath(QStringLiteral("tarvolinex-support-%1.json")
                                  .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss")));
    useQtTranslation(language());
    const SupportTexts texts = supportTexts(language());
    const QString chosen = QFileDialog::getSaveFileName(&m_form, texts.title, suggested,
                                                        QStringLiteral("JSON (*.json)"));
    if (chosen.isEmpty()) {
        return;
    }
    std::string error;
    if (saveSupportFile(chosen.toStdString(), error)) {
        QMessageBox::information(&m_form, texts.title, texts.saved.arg(chosen));
    } else {
        QMessageBox::warning(&m_form, texts.title, QString::fromStdString(error));
    }
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
    connect(m_form.button("support"), &QPushButton::clicked, this,
            &TesterController::askAndSaveSupportFile);
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
