#include "ui/sync_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QVBoxLayout>

#include "record/record.h"
#include "sync/sync_settings.h"
#include "sync/sync_setup.h"
#include "sync/sync_state.h"
#include "sync/sync_texts.h"
#include "ui/bilingual_qstring.h"
#include "ui/records_style.h"
#include "ui/sync_panel.h"
#include "ui/tester_style.h"

namespace tvx::ui {
namespace {

enum Key {
    Title,
    Conninfo,
    Workshop,
    Bay,
    CheckSave,
    Checking,
    SyncNow,
    TurnOff,
    Close,
    Off,
    State,
    Hint
};

// clang-format off
constexpr BilingualText kTexts[] = {
    {"Shared history", "Ortak geçmiş"},
    {"&Server (connection string or service name):", "&Sunucu (bağlantı dizesi veya servis adı):"},
    {"&Workshop:", "&Atölye:"},
    {"&Bay:", "&Bölme:"},
    {"Check and sa&ve", "Denetle ve &kaydet"},
    {"Checking the server ...", "Sunucu denetleniyor ..."},
    {"Sync &now", "Şimdi &eşitle"},
    {"&Turn off", "Eşitlemeyi &durdur"},
    {"&Close", "Ka&pat"},
    {"Shared history: off", "Ortak geçmiş: kapalı"},
    {"State:           ", "Durum:           "},
    {"No password here: libpq reads it from the pgpass file or PGPASSWORD.",
     "Parola buraya yazılmaz: libpq onu pgpass dosyasından ya da PGPASSWORD'den okur."},
};
// clang-format on

QString qstr(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString lines(const std::vector<std::string>& all) {
    QStringList shown;
    for (const std::string& line : all) {
        shown << qstr(line);
    }
    return shown.join(QLatin1Char('\n'));
}

// The sync's state as the record keeps it (nothing yet without a record).
sync::SyncStatus recordedStatus(const std::filesystem::path& dataDirectory) {
    const auto path = dataDirectory / record::Record::kFileName;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return {};
    }
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(path, options);
    if (!opened.record) {
        sync::SyncStatus none;
        none.problem = opened.problem;
        return none;
    }
    try {
        return sync::readSyncStatus(opened.record->database());
    } catch (const record::DbError& failed) {
        sync::SyncStatus none;
        none.problem = record::Record::plainProblem(failed);
        return none;
    }
}

}  // namespace

SyncDialog::SyncDialog(std::filesystem::path dataDirectory, char languageCode, SyncPanel& panel,
                       QWidget* parent)
    : QDialog(parent),
      m_dataDirectory(std::move(dataDirectory)),
      m_language(languageCode),
      m_panel(panel) {
    setObjectName(QStringLiteral("syncDialog"));
    setStyleSheet(testerStyleSheet() + recordsStyleSheet());
    setWindowTitle(text(Title));
    buildControls();
    try {
        if (const auto settings = sync::loadSyncSettings(m_dataDirectory)) {
            m_conninfo->setText(qstr(settings->conninfo));
            m_workshop->setText(qstr(settings->workshop));
            m_bay->setText(qstr(settings->bay));
        }
    } catch (const std::exception& error) {
        m_result->setText(qstr(error.what()));
    }
    connect(&m_panel, &SyncPanel::passed, this, &SyncDialog::showState);
    showState();
}

SyncDialog::~SyncDialog() {
    if (m_check.joinable()) {
        m_check.join();
    }
}

QString SyncDialog::text(int key) const {
    return qtext(kTexts[key], m_language);
}

void SyncDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto field = [this, form](QLineEdit*& edit, const char* name, Key label) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        auto* buddy = new QLabel(text(label), this);
        buddy->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
        buddy->setBuddy(edit);
        form->addRow(buddy, edit);
    };
    field(m_conninfo, "syncConninfo", Conninfo);
    m_conninfo->setMinimumWidth(420);
    m_conninfo->setToolTip(text(Hint));
    m_conninfo->setPlaceholderText(QStringLiteral("host=db.example dbname=tvx user=bay_1"));
    field(m_workshop, "syncWorkshop", Workshop);
    field(m_bay, "syncBay", Bay);
    layout->addLayout(form);

    const auto button = [this](QPushButton*& made, const char* name, Key caption) {
        made = new QPushButton(text(caption), this);
        made->setObjectName(QLatin1String(name));
        made->setAutoDefault(false);
        return made;
    };
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(button(m_checkSave, "syncCheckSave", CheckSave));
    m_busyBar = new QProgressBar(this);
    m_busyBar->setObjectName(QStringLiteral("syncBusy"));
    m_busyBar->setRange(0, 0);  // runs without an end: a check has no steps to count
    m_busyBar->setTextVisible(false);
    m_busyBar->hide();
    checkRow->addWidget(m_busyBar, 1);
    layout->addLayout(checkRow);

    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("syncResult"));
    m_result->setWordWrap(true);
    m_result->setTextFormat(Qt::PlainText);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_result);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("syncState"));
    m_state->setTextFormat(Qt::PlainText);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_state->setFont(QFont(QStringLiteral("monospace")));  // the labels line up, as on a terminal
    layout->addWidget(m_state);

    auto* bottom = new QHBoxLayout;
    QPushButton* close = nullptr;
    bottom->addWidget(button(m_syncNow, "syncNow", SyncNow));
    bottom->addWidget(button(m_off, "syncOff", TurnOff));
    bottom->addStretch(1);
    bottom->addWidget(button(close, "syncClose", Close));
    layout->addLayout(bottom);

    connect(m_checkSave, &QPushButton::clicked, this, &SyncDialog::checkAndSave);
    connect(m_syncNow, &QPushButton::clicked, this, &SyncDialog::syncNow);
    connect(m_off, &QPushButton::clicked, this, &SyncDialog::turnOff);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void SyncDialog::checkAndSave() {
    if (m_busy) {
        return;
    }
    if (m_check.joinable()) {
        m_check.join();  // the last check, ended
    }
    const sync::SyncSettings settings{sync::conninfoFromEntry(m_conninfo->text().toStdString()),
                                      m_workshop->text().trimmed().toStdString(),
                                      m_bay->text().trimmed().toStdString()};
    setBusy(true);
    m_result->setText(text(Checking));
    m_check =
        std::thread([this, settings, dataDirectory = m_dataDirectory, turkish = m_language == '2'] {
            const sync::SetupReport report = sync::setUpSync(dataDirectory, settings, turkish);
            QMetaObject::invokeMethod(
                this,
                [this, saved = report.saved, findings = lines(report.lines)] {
                    checked(saved, findings);
                },
                Qt::QueuedConnection);
        });
}

void SyncDialog::checked(bool saved, const QString& findings) {
    setBusy(false);
    m_result->setText(findings);
    if (saved) {
        m_panel.restart();  // the sync goes on with the new setting
    }
    showState();
}

void SyncDialog::setBusy(bool busy) {
    m_busy = busy;
    m_busyBar->setVisible(busy);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_checkSave, m_conninfo, m_workshop, m_bay, m_off}) {
        control->setEnabled(!busy);
    }
}

void SyncDialog::syncNow() {
    if (m_panel.syncNow()) {
        m_result->setText(qstr(sync::syncingLine(m_language == '2')));
    }
}

void SyncDialog::turnOff() {
    const bool was = sync::removeSyncSettings(m_dataDirectory);
    m_panel.restart();
    m_result->setText(qstr(sync::turnedOffLine(was, m_language == '2')));
    showState();
}

void SyncDialog::showState() {
    const bool turkish = m_language == '2';
    std::optional<sync::SyncSettings> settings;
    QString setting;
    try {
        settings = sync::loadSyncSettings(m_dataDirectory);
        setting = settings ? lines(sync::settingsLines(*settings, turkish)) : text(Off);
    } catch (const std::exception& error) {
        setting = qstr(error.what());
    }
    const sync::SyncStatus status = recordedStatus(m_dataDirectory);
    QString state = setting;
    if (settings) {
        state += QLatin1Char('\n') + text(State) + qstr(sync::statusLine(status, turkish));
    }
    m_state->setText(state + QLatin1Char('\n') + lines(sync::statusLines(status, turkish)));
    m_syncNow->setEnabled(m_panel.on());
    m_off->setEnabled(!m_busy && settings.has_value());
}

}  // namespace tvx::ui
