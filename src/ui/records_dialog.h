#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <filesystem>
#include <optional>

namespace tvx::ui {

// The workshop record in the window: the visits, newest first, searched by VIN, plate or
// vehicle; the report of the chosen one as the customer gets it; the mechanic's notes of
// the visit and the workshop that heads the reports; Save as PDF, Print and Export CSV. It
// reads the record through its own connection, so the session goes on while it is open.
//
// Controls: `visitFilter`, `demoVisits`, `visitList`, `visitDetails`, `reportLanguage`,
// `workshopName`, `workshopAddress`, `workshopPhone`, `notePlate`, `noteCustomer`,
// `noteOdometer`, `noteFindings`, `noteRecommendation`, `saveNotes`, `savePdf`,
// `printReport`, `exportCsv`, `recordsStatus`.
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
    // The shown visit's report as a PDF (A4). False, with the reason in the status line,
    // when it cannot be written; on success the status line names the file.
    bool savePdf(const QString& path);
    // The listed visits as CSV (UTF-8, one row a visit). False, with the reason, when the
    // file cannot be written.
    bool exportCsv(const QString& path);
    // The notes fields into the shown visit's record.
    bool saveNotes();
    // "2026-06-01 34ABC123.pdf" (date and plate, else VIN, else the visit's number).
    QString suggestedPdfName() const;
    // "visits 2026-06-01.csv": today's date.
    QString suggestedCsvName() const;
    // What the dialog says went wrong, or what it did last ("" when nothing).
    QString status() const { return m_status; }

private:
    void buildControls();
    QLabel* buddyLabel(QWidget* field);
    QLayout* buildNotes();
    QLayout* buildWorkshop();
    QLayout* buildButtons();
    void applyLanguage();
    void showSelected();
    void saveWorkshop();
    void askAndSavePdf();
    void askAndExportCsv();
    void print();
    void setStatus(const QString& text);
    QString suggestedPath(const QString& name) const;
    QString text(int key) const;

    std::filesystem::path m_dataDirectory;
    char m_language;
    QLineEdit* m_filter = nullptr;
    QCheckBox* m_demo = nullptr;
    QTableWidget* m_list = nullptr;
    QTextBrowser* m_details = nullptr;
    QComboBox* m_reportLanguage = nullptr;
    QLineEdit* m_workshop = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_phone = nullptr;
    QLineEdit* m_plate = nullptr;
    QLineEdit* m_customer = nullptr;
    QLineEdit* m_odometer = nullptr;
    QPlainTextEdit* m_findings = nullptr;
    QPlainTextEdit* m_recommendation = nullptr;
    QPushButton* m_saveNotes = nullptr;
    QPushButton* m_savePdf = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_exportCsv = nullptr;
    QLabel* m_statusLine = nullptr;
    std::optional<long long> m_shown;
    QString m_shownName;  // the suggested PDF name of the shown visit
    QString m_html;
    QString m_status;
};

}  // namespace tvx::ui
