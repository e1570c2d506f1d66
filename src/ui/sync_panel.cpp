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
    : QObject(&form), m_status(new QLabel(&form)), m_seen(new QLabel(&form)) {
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
        dataDirectory, language(), nowMs(), [seen](const std::vector<std::string>& lines) {
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
#if TVX_HAVE_SYNC
    std::optional<sync::SyncSettings> settings;
    try {
        settings = sync::loadSyncSettings(dataDirectory);
    } catch (const std::exception& error) {
        m_status->setText(QString::fromStdString(error.what()));
        m_status->show();
    }
    if (settings) {
        sync::Syncer::Options options;
        options.settings = *settings;
        options.recordPath = dataDirectory / record::Record::kFileName;
        QPointer<QLabel> status(m_status);
        const bool turkish = language() == '2';
        m_syncer =
            std::make_unique<sync::Syncer>(options, [status, turkish](const sync::SyncStatus& now) {
                QMetaObject::invokeMethod(
                    status.data(),
                    [status, text = QString::fromStdString(sync::statusLine(now, turkish))] {
                        if (status) {
                            status->setText(text);
                            status->setToolTip(text);
                            status->show();
                        }
                    },
                    Qt::QueuedConnection);
            });
    }
#endif
}

SyncPanel::~SyncPanel() = default;

session::SessionEvents& SyncPanel::listener() {
    return *m_watch;
}

}  // namespace tvx::ui
