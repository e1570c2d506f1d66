#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <filesystem>
#include <optional>

namespace tvx::ui {

// The workshop record in the window: the visits, newest first (filtered by VIN or vehicle),
// the report of the chosen one, the workshop name on it, and "Save as PDF". It reads the
// record through its own connection, so the session goes on while it is open.
//
// Controls: `visitFilter`, `demoVisits`, `visitList`, `visitDetails`, `reportLanguage`,
// `workshopName`, `savePdf`.
class RecordsDialog : public QDialog {
    Q_OBJECT

public:
    RecordsDialog(std::filesystem::path dataDirectory, char languageCode,
                  QWidget* parent = nullptr);

    // Reads the list again (the filter applied); keeps the chosen visit when it is listed.
    void reload();
    // The visit whose report is shown, if any.
    std::optional<long long> shownVisit() const { return m_shown; }
    void showVisit(long long visit);
    // The shown visit's report as a PDF (A4). False, with the reason in the details pane's
    // status, when it cannot be written.
    bool savePdf(const QString& path);
    // What the dialog says went wrong, or what it did last ("" when nothing).
    QString status() const { return m_status; }

private:
    void buildControls();
    void applyLanguage();
    void showSelected();
    void askAndSavePdf();
    QString text(int key) const;

    std::filesystem::path m_dataDirectory;
    char m_language;
    QLineEdit* m_filter = nullptr;
    QCheckBox* m_demo = nullptr;
    QTableWidget* m_list = nullptr;
    QTextBrowser* m_details = nullptr;
    QComboBox* m_reportLanguage = nullptr;
    QLineEdit* m_workshop = nullptr;
    QPushButton* m_savePdf = nullptr;
    std::optional<long long> m_shown;
    QString m_html;
    QString m_status;
};

}  // namespace tvx::ui
