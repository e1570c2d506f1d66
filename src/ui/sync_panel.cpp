#include "ui/sync_panel.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <chrono>

#include "keeper/seen_before_watch.h"
#if TVX_HAVE_SYNC
#include "record/record.h"
#include "sync/sync_settings.h"
#include "sync/syncer.h"
#else
namespace tvx::sync {
class Syncer {};  // never made in a build without the shared history
}  // namespace tvx::sync
#endif

namespace tvx::ui {
namespace {

// Under the module column, above the records button (the record's notice line, bottom
// aligned, shares the place when it has something to say): the form's controls stay clear.
// The whole "seen before" text is in the tooltip.
constexpr QRect kStatus{12, 12 + 6 * 44, 100, 22};
constexpr QRect kSeen{12, 12 + 6 * 44 + 22, 100, 52};

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

SyncPanel::SyncPanel(QWidget& form, std::filesystem::path dataDirectory,
                     std::function<char()> language)
    : QObject(&form),
      m_status(new QLabel(&form)),
      m_seen(new QLabel(&form)),
      m_dataDirectory(std::move(dataDirectory)),
      m_language(std::move(language)) {
    m_status->setObjectName(QStringLiteral("syncStatus"));
    m_status->setProperty("syncStatus", true);
    m_status->setWordWrap(true);
    m_status->setGeometry(kStatus);
    m_status->hide();
    m_seen->setObjectName(QStringLiteral("seenBefore"));
    m_seen->setProperty("syncStatus", true);
    m_seen->setWordWrap(true);
    m_seen->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_seen->setGeometry(kSeen);
    m_seen->hide();

    QPointer<QLabel> seen(m_seen);
    m_watch = std::make_unique<session::SeenBeforeWatch>(
        m_dataDirectory, m_language(), nowMs(), [seen](const std::vector<std::string>& lines) {
            QStringList shown;
            for (const std::string& line : lines) {
                shown << QString::fromStdString(line);
            }
            QMetaObject::invokeMethod(
                seen.data(),
                [seen, text = shown.join(QLatin1Char('\n'))] {
                    if (seen) {
                        seen->setText(text);
                        seen->setToolTip(text);
                        seen->show();
                    }
                },
                Qt::QueuedConnection);
        });
    start();
}

// The sync threads post to this object: they end before it does.
SyncPanel::~SyncPanel() {
    m_syncer.reset();
    for (std::thread& stopping : m_stopping) {
        stopping.join();
    }
}

session::SessionEvents& SyncPanel::listener() {
    return *m_watch;
}

void SyncPanel::restart() {
    if (m_syncer) {
        m_stopping.emplace_back([old = std::move(m_syncer)]() mutable { old.reset(); });
    }
    ++m_generation;  // what the old thread still says is not shown
    m_status->clear();
    m_status->hide();
    start();
}

bool SyncPanel::syncNow() {
#if TVX_HAVE_SYNC
    if (m_syncer) {
        m_syncer->wake();
        return true;
    }
#endif
    return false;
}

void SyncPanel::start() {
#if TVX_HAVE_SYNC
    std::optional<sync::SyncSettings> settings;
    try {
        settings = sync::loadSyncSettings(m_dataDirectory);
    } catch (const std::exception& error) {
        m_status->setText(QString::fromStdString(error.what()));
        m_status->show();
    }
    if (!settings) {
        return;
    }
    sync::Syncer::Options options;
    options.settings = *settings;
    options.recordPath = m_dataDirectory / record::Record::kFileName;
    const bool turkish = m_language() == '2';
    m_syncer = std::make_unique<sync::Syncer>(
        options, [this, turkish, generation = m_generation](const sync::SyncStatus& now) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, text = QString::fromStdString(sync::statusLine(now, turkish))] {
                    if (generation != m_generation) {
                        return;
                    }
                    m_status->setText(text);
                    m_status->setToolTip(text);
                    m_status->show();
                    emit passed();
                },
                Qt::QueuedConnection);
        });
#endif
}

}  // namespace tvx::ui
