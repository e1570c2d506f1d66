#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <memory>

#include "link/clock.h"
#include "record/outbox.h"
#include "record/record.h"
#include "record/remote_visits.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/records_dialog.h"
#include "ui/tester_controller.h"
#if TVX_HAVE_SYNC
#include "sync/sync_settings.h"
#endif
#include "ui_helpers.h"
#include "van_window.h"

namespace tvx::ui {
namespace {

using test::click;
using test::clickItem;
using test::usable;
using test::waitFor;

// The text of a PDF as pdftotext reads it (poppler-utils). A Windows build under Wine cannot
// start that Linux program: there the PDF is only checked to be one, and
// scripts/windows-tests.sh reads the copy kept through TVX_KEEP_REPORT_PDF with pdftotext.
#ifdef _WIN32
constexpr bool kReadsPdfText = false;
#else
constexpr bool kReadsPdfText = true;
#endif

bool isPdf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-" && file.size() > 1000;
}

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(20000)) {
        return QStringLiteral("(pdftotext did not run)");
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The window on the simulated van, its data directory with the shipped catalogues.
class RecordsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(TVX_TEST_DATA_DIR) / name,
                                       dataDir() / name);
        }
        std::ofstream(dataDir() / "tarvol.txt") << "1\n1\n";
    }
    std::filesystem::path dataDir() const { return m_dir.path().toStdString(); }
    void start() { m_van.start(dataDir()); }
    QPushButton* button(const char* name) { return m_van.form->button(name); }
    void press(const char* name) { m_van.press(name); }
    bool line(int n, const char* text) const { return m_van.line(n, text); }
    // Start panel, vehicle, plug in, connect: the module menu.
    void toModuleMenu() {
        ASSERT_TRUE(waitFor([&] { return line(1, "**  tarvolinex 7340   **"); }));
        press("OK");
        ASSERT_TRUE(
            waitFor([&] { return !m_van.form->findChild<QWidget*>("Frame31")->isHidden(); }));
        clickItem(*m_van.form, "DG1", 4);
        press("OK");
        ASSERT_TRUE(waitFor([&] { return line(1, " CONNECT KESTRON 7340 TO"); }));
        press("OK");
        ASSERT_TRUE(waitFor([&] { return line(1, "     SELECT THE ECU     "); }));
    }

    QTemporaryDir m_dir;
    test::VanWindow m_van;  // closed before the data directory goes
};

TEST_F(RecordsWindow, TheRecordsButtonBesideExitShowsTheVisitAndSavesItAsPdf) {
    start();
    const QRect exit = button("EXIT")->geometry();
    const QRect records = button("records")->geometry();
    EXPECT_EQ(records.left(), exit.left());
    EXPECT_LT(records.bottom(), exit.top());
    for (QWidget* other : m_van.form->findChildren<QPushButton*>()) {
        if (other != button("records") && other->parentWidget() == m_van.form.get() &&
            !other->isHidden()) {
            EXPECT_FALSE(other->geometry().intersects(records))
                << other->objectName().toStdString();
        }
    }
    toModuleMenu();
    press("pcm");
    press("rdtc");
    ASSERT_TRUE(waitFor([&] {
        return line(1, "     SELECT THE ECU     ") || line(3, "  PCM                    ");
    }));
    ASSERT_TRUE(waitFor([&] {
        return m_van.form->findChild<QTableWidget*>("dtc_table")
            ->item(1, 0)
            ->text()
            .startsWith("P0087");
    }));

    click(button("records"));
    auto* dialog = qobject_cast<RecordsDialog*>(m_van.controller->recordsDialog());
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTableWidget*>("visitList");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 2)->text(), QString::fromStdString(m_van.box->scenario().vin));
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("FOCUS 1.8 TDCI"));
    ASSERT_TRUE(dialog->shownVisit());
    const QString details = dialog->findChild<QTextBrowser*>("visitDetails")->toPlainText();
    EXPECT_TRUE(details.contains("P0087")) << details.toStdString();

    // The filter by VIN or vehicle.
    auto* filter = dialog->findChild<QLineEdit*>("visitFilter");
    filter->setText(QStringLiteral("mondeo"));
    EXPECT_EQ(list->rowCount(), 0);
    filter->setText(QStringLiteral("focus 1.8"));
    EXPECT_EQ(list->rowCount(), 1);

    auto* workshop = dialog->findChild<QLineEdit*>("workshopName");
    workshop->setText(QStringLiteral("Usta Oto Servis"));
    emit workshop->editingFinished();
    const QString pdf = m_dir.filePath("visit.pdf");
    ASSERT_TRUE(dialog->savePdf(pdf)) << dialog->status().toStdString();
    EXPECT_TRUE(isPdf(pdf));
    if (kReadsPdfText) {
        const QString text = pdfText(pdf);
        for (const QString& wanted :
             {QStringLiteral("Usta Oto Servis"), QStringLiteral("Vehicle diagnostic report"),
              QString::fromStdString(m_van.box->scenario().vin), QStringLiteral("P0087"),
              QStringLiteral("FOCUS 1.8 TDCI")})
            EXPECT_TRUE(text.contains(wanted)) << wanted.toStdString() << "\n"
                                               << text.toStdString();
    }

    // docs/screenshots/take.sh keeps a copy for the README's picture.
    if (const QByteArray keep = qgetenv("TVX_KEEP_REPORT_PDF"); !keep.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(keep));
        QFile::copy(pdf, QString::fromLocal8Bit(keep));
    }
    dialog->findChild<QComboBox*>("reportLanguage")->setCurrentIndex(1);
    const QString turkish = m_dir.filePath("ziyaret.pdf");
    ASSERT_TRUE(dialog->savePdf(turkish));
    EXPECT_TRUE(isPdf(turkish));
    if (kReadsPdfText) {
        EXPECT_TRUE(pdfText(turkish).contains(QString::fromUtf8("Araç arıza teşhis raporu")))
            << pdfText(turkish).toStdString();
    }
}

TEST_F(RecordsWindow, ARecordThatCannotBeKeptIsSaidInTheWindowWhileDiagnosisGoesOn) {
    {
        auto opened = record::Record::open(dataDir() / record::Record::kFileName);
        ASSERT_TRUE(opened.record);
        opened.record->database().exec("INSERT INTO schema_version(version) VALUES (50)");
    }
    start();
    auto* notice = m_van.form->findChild<QLabel*>("recordNotice");
    ASSERT_TRUE(waitFor([&] { return !notice->isHidden(); }));
    EXPECT_TRUE(notice->text().contains("not kept")) << notice->text().toStdString();
    EXPECT_TRUE(notice->text().contains("newer")) << notice->text().toStdString();
    toModuleMenu();
    EXPECT_TRUE(usable(button("pcm")));
}

// A record with a van's visit (plate entered) and a car's, the dialog opened on it without
// the window.
class RecordsList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        auto opened = record::Record::open(dataDir() / record::Record::kFileName);
        ASSERT_TRUE(opened.record) << opened.problem;
        m_van = opened.record->beginVisit({1780000000000, false, "TRANSIT 2.4 TDCI", true, "en"});
        opened.record->setVisitVin(m_van, "WF0XXXTTGXAB12345");
        record::CodeRead read;
        read.module = 1;
        read.at = 1780000001000;
        read.ok = true;
        read.codes = {{0x0087, "P0087", "P0087 Fuel"}, {0x0401, "P0401", "P0401 EGR"}};
        opened.record->addCodeRead(m_van, read);
        opened.record->addClear(m_van, 1, 1780000002000, true);
        opened.record->addInjectorRead(m_van, {0, 1780000003000, true, {"1", "2", "3", "4"}, {}});
        record::VisitNotes notes;
        notes.plate = "41 ABC 204";
        opened.record->setVisitNotes(m_van, notes);
        m_car = opened.record->beginVisit({1780000100000, false, "KA 1.3", false, "en"});
        opened.record->setVisitVin(m_car, "WF0AXXGAJA0000002");
    }
    std::filesystem::path dataDir() const { return m_dir.path().toStdString(); }
    std::vector<long long> listed(RecordsDialog& dialog) {
        auto* list = dialog.findChild<QTableWidget*>("visitList");
        std::vector<long long> ids;
        for (int row = 0; row < list->rowCount(); ++row) {
            ids.push_back(list->item(row, 0)->data(Qt::UserRole).toLongLong());
        }
        return ids;
    }

    QTemporaryDir m_dir;
    std::int64_t m_van = 0;
    std::int64_t m_car = 0;
};

TEST_F(RecordsList, SearchFindsVisitsByVinPlateOrVehicle) {
    RecordsDialog dialog(dataDir(), '1');
    auto* filter = dialog.findChild<QLineEdit*>("visitFilter");
    struct Case {
        const char* text;
        std::vector<long long> found;
    };
    for (const Case& c : std::vector<Case>{{"", {m_car, m_van}},
                                           {"41 abc 204", {m_van}},
                                           {"41ABC", {m_van}},
                                           {"gaja0000002", {m_car}},
                                           {"transit", {m_van}},
                                           {"34 XYZ", {}}}) {
        filter->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(listed(dialog), c.found) << c.text;
    }
}

TEST_F(RecordsList, ColumnsSayWhatWasDoneOnEachVisit) {
    RecordsDialog dialog(dataDir(), '1');
    auto* list = dialog.findChild<QTableWidget*>("visitList");
    QStringList headers;
    for (int column = 0; column < list->columnCount(); ++column) {
        headers << list->horizontalHeaderItem(column)->text();
    }
    EXPECT_EQ(headers, (QStringList{"Date", "Vehicle", "VIN", "Plate", "Codes found", "Cleared",
                                    "Injector work", "Recordings"}));
    ASSERT_EQ(list->rowCount(), 2);
    QStringList van;
    for (int column = 1; column < list->columnCount(); ++column) {
        van << list->item(1, column)->text();
    }
    EXPECT_EQ(van, (QStringList{"TRANSIT 2.4 TDCI", "WF0XXXTTGXAB12345", "41 ABC 204", "2", "1",
                                "read", ""}));
}

// Save as PDF and Export CSV suggest a name and say plainly which file they wrote.
TEST_F(RecordsList, SavingSuggestsANameAndNamesTheFileWritten) {
    RecordsDialog dialog(dataDir(), '1');
    dialog.showVisit(m_van);
    const QString date = QDateTime::fromMSecsSinceEpoch(1780000000000).toString("yyyy-MM-dd");
    EXPECT_EQ(dialog.suggestedPdfName(), date + " 41ABC204.pdf");
    dialog.showVisit(m_car);
    EXPECT_EQ(dialog.suggestedPdfName(),
              QDateTime::fromMSecsSinceEpoch(1780000100000).toString("yyyy-MM-dd") +
                  " WF0AXXGAJA0000002.pdf");
    EXPECT_EQ(dialog.suggestedCsvName(),
              "visits " + QDate::currentDate().toString(Qt::ISODate) + ".csv");

    const QString pdf = m_dir.filePath(dialog.suggestedPdfName());
    ASSERT_TRUE(dialog.savePdf(pdf));
    EXPECT_TRUE(isPdf(pdf));
    auto* status = dialog.findChild<QLabel*>("recordsStatus");
    EXPECT_EQ(status->text(), "The report is saved as " + QDir::toNativeSeparators(pdf));

    const QString csv = m_dir.filePath(dialog.suggestedCsvName());
    ASSERT_TRUE(dialog.exportCsv(csv));
    EXPECT_EQ(status->text(), "The list is saved as " + QDir::toNativeSeparators(csv));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Date,Vehicle,VIN,Plate,Codes found,Cleared,Injector work,Recordings");
    EXPECT_TRUE(lines[2].contains(",TRANSIT 2.4 TDCI,WF0XXXTTGXAB12345,41 ABC 204,2,1,read,"))
        << lines[2].toStdString();

    EXPECT_FALSE(dialog.savePdf(m_dir.filePath("no-such-folder/x.pdf")));
    EXPECT_TRUE(status->text().startsWith("Cannot write")) << status->text().toStdString();
}

TEST_F(RecordsList, NotesEnteredInTheDialogReachTheRecordAndTheReport) {
    RecordsDialog dialog(dataDir(), '1');
    dialog.showVisit(m_van);
    dialog.findChild<QLineEdit*>("noteCustomer")->setText("Deniz Kaya");
    dialog.findChild<QLineEdit*>("noteOdometer")->setText("187000");
    dialog.findChild<QPlainTextEdit*>("noteFindings")->setPlainText("Boost hose split.");
    ASSERT_TRUE(dialog.saveNotes());
    const auto visit =
        record::Record::open(dataDir() / record::Record::kFileName).record->visit(m_van);
    EXPECT_EQ(visit->notes.customer, "Deniz Kaya");
    EXPECT_EQ(visit->notes.odometerKm, 187000);
    EXPECT_EQ(visit->notes.plate, "41 ABC 204");
    const QString report = dialog.findChild<QTextBrowser*>("visitDetails")->toPlainText();
    EXPECT_TRUE(report.contains("Boost hose split.")) << report.toStdString();
    EXPECT_TRUE(report.contains("187000 km")) << report.toStdString();
}

// Dark like the window; every field reached from the keyboard by its label's letter.
TEST_F(RecordsList, IsDarkAndEveryFieldHasAKeyboardLetter) {
    RecordsDialog dialog(dataDir(), '1');
    dialog.show();
    EXPECT_LT(dialog.palette().color(QPalette::Window).lightness(), 80);
    auto* list = dialog.findChild<QTableWidget*>("visitList");
    EXPECT_LT(list->palette().color(QPalette::Base).lightness(), 80);
    for (const char* name : {"filterLabel", "languageLabel", "workshopNameLabel", "notePlateLabel",
                             "noteFindingsLabel", "noteRecommendationLabel"}) {
        auto* label = dialog.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_TRUE(label->text().contains('&')) << name;
        EXPECT_NE(label->buddy(), nullptr) << name;
    }
    for (const char* name : {"savePdf", "printReport", "exportCsv", "saveNotes", "demoVisits"}) {
        auto* button = dialog.findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->text().contains('&')) << name;
    }
}

// The van served before at another bay of the workshop (pulled into this PC's record): when
// its VIN is read the window says when and where, and the records dialog marks that visit
// with its bay. The sync's status says the server it is set up for cannot be reached.
TEST_F(RecordsWindow, AVinReadSaysWhereTheVanWasSeenAtAnotherBay) {
    {
        QTemporaryDir otherBay;
        auto there = record::Record::open(std::filesystem::path(otherBay.path().toStdString()) /
                                          record::Record::kFileName)
                         .record;
        const auto visit = there->beginVisit({1700000000000, false, "FOCUS 1.8 TDCI", true, "en"});
        there->setVisitVin(visit, sim::vehicleScenario("diesel-van").vin);
        record::CodeRead read;
        read.module = 1;
        read.at = 1700000001000;
        read.ok = true;
        read.count = 1;
        read.codes = {{0x0087, "P0087", ""}};
        there->addCodeRead(visit, read);
        auto entries = record::Outbox(there->database()).next(100);
        for (auto& entry : entries) {
            entry.bay = "bay-1";
        }
        auto here = record::Record::open(dataDir() / record::Record::kFileName).record;
        record::RemoteVisits(here->database()).store(entries, "1");
    }
#if TVX_HAVE_SYNC
    sync::saveSyncSettings(
        dataDir(), {"host=" + dataDir().string() + " port=5999 dbname=tvx", "north", "bay-2"});
#endif
    start();
    toModuleMenu();
    auto* seen = m_van.form->findChild<QLabel*>("seenBefore");
    ASSERT_NE(seen, nullptr);
    ASSERT_TRUE(waitFor([&] { return seen->isVisible(); }));
    EXPECT_TRUE(seen->text().contains(QStringLiteral(", at bay bay-1: 1 trouble code")))
        << seen->text().toStdString();
#if TVX_HAVE_SYNC
    auto* status = m_van.form->findChild<QLabel*>("syncStatus");
    ASSERT_TRUE(waitFor([&] { return status->isVisible(); }));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("server unreachable since ")))
        << status->text().toStdString();
#endif
    click(button("records"));
    auto* dialog = qobject_cast<RecordsDialog*>(m_van.controller->recordsDialog());
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTableWidget*>("visitList");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 1)->text(), QStringLiteral("FOCUS 1.8 TDCI  [bay-1]"));
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("FOCUS 1.8 TDCI"));
}

}  // namespace
}  // namespace tvx::ui
