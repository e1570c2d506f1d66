#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <thread>

namespace tvx::ui {

class SyncPanel;

// The shared history's settings in the window, doing what `tarvolinex-cli sync setup`,
// `status`, `now` and `off` do. "Check and save" runs the same setup (the connection, the
// server's schema created or brought up to date where the role may, the role's rights) on a
// thread of its own while a busy bar runs, shows its findings as the command line prints
// them, and stores the setting only when all is well; the window's sync then starts again
// with it. The state shows what waits, the last push and pull, and the server's.
//
// Controls: `syncConninfo`, `syncWorkshop`, `syncBay`, `syncCheckSave`, `syncBusy`,
// `syncResult`, `syncState`, `syncNow`, `syncOff`, `syncClose`.
class SyncDialog : public QDialog {
    Q_OBJECT

public:
    SyncDialog(std::filesystem::path dataDirectory, char languageCode, SyncPanel& panel,
               QWidget* parent = nullptr);
    // Waits for a check under way (it ends at the connection's time-out at the latest).
    ~SyncDialog() override;

    char language() const { return m_language; }
    bool busy() const { return m_busy; }
    // What the last check, sync or turning off said.
    QString result() const { return m_result->text(); }

    void checkAndSave();
    void syncNow();
    void turnOff();
    // The setting and the sync's state as the data directory and the record hold them.
    void showState();

private:
    QString text(int key) const;
    void buildControls();
    void checked(bool saved, const QString& findings);
    void setBusy(bool busy);

    std::filesystem::path m_dataDirectory;
    char m_language;
    SyncPanel& m_panel;
    QLineEdit* m_conninfo = nullptr;
    QLineEdit* m_workshop = nullptr;
    QLineEdit* m_bay = nullptr;
    QPushButton* m_checkSave = nullptr;
    QProgressBar* m_busyBar = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_syncNow = nullptr;
    QPushButton* m_off = nullptr;
    bool m_busy = false;
    std::thread m_check;
};

}  // namespace tvx::ui
