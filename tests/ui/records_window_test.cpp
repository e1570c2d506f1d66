#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <memory>

#include "link/clock.h"
#include "record/record.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/records_dialog.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

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
    void TearDown() override {
        if (m_controller)
            m_controller->stop();
    }
    std::filesystem::path dataDir() const { return m_dir.path().toStdString(); }
    void start() {
        m_box = std::make_unique<sim::Box>(sim::vehicleScenario("diesel-van"));
        m_port = std::make_unique<sim::InMemoryPort>(*m_box, m_clock);
        m_form = std::make_unique<TForm1>(QString());
        m_controller = std::make_unique<TesterController>(
            *m_form, TesterController::Setup{*m_port, m_clock, m_tick, nullptr, dataDir()});
        m_form->show();
        m_controller->start();
    }
    QPushButton* button(const char* name) { return m_form->button(name); }
    void press(const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(button(name)); })) << name;
        click(button(name));
    }
    bool line(int n, const char* text) { return test::lineText(*m_form, n) == QLatin1String(text); }
    // Start panel, vehicle, plug in, connect: the module menu.
    void toModuleMenu() {
        ASSERT_TRUE(waitFor([&] { return line(1, "**  tarvolinex 7340   **"); }));
        press("OK");
        ASSERT_TRUE(waitFor([&] { return !m_form->findChild<QWidget*>("Frame31")->isHidden(); }));
        clickItem(*m_form, "DG1", 4);
        press("OK");
        ASSERT_TRUE(waitFor([&] { return line(1, " CONNECT KESTRON 7340 TO"); }));
        press("OK");
        ASSERT_TRUE(waitFor([&] { return line(1, "     SELECT THE ECU     "); }));
    }

    QTemporaryDir m_dir;
    link::VirtualClock m_clock;
    link::VirtualClock m_tick;
    std::unique_ptr<sim::Box> m_box;
    std::unique_ptr<sim::InMemoryPort> m_port;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TesterController> m_controller;
};

TEST_F(RecordsWindow, TheRecordsButtonBesideExitShowsTheVisitAndSavesItAsPdf) {
    start();
    const QRect exit = button("EXIT")->geometry();
    const QRect records = button("records")->geometry();
    EXPECT_EQ(records.left(), exit.left());
    EXPECT_LT(records.bottom(), exit.top());
    for (QWidget* other : m_form->findChildren<QPushButton*>()) {
        if (other != button("records") && other->parentWidget() == m_form.get() &&
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
        return m_form->findChild<QTableWidget*>("dtc_table")
            ->item(1, 0)
            ->text()
            .startsWith("P0087");
    }));

    click(button("records"));
    auto* dialog = qobject_cast<RecordsDialog*>(m_controller->recordsDialog());
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTableWidget*>("visitList");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 2)->text(), QString::fromStdString(m_box->scenario().vin));
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
              QString::fromStdString(m_box->scenario().vin), QStringLiteral("P0087"),
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
    if (kReadsPdfText)
        EXPECT_TRUE(pdfText(turkish).contains(QString::fromUtf8("Araç arıza teşhis raporu")))
            << pdfText(turkish).toStdString();
}

TEST_F(RecordsWindow, ARecordThatCannotBeKeptIsSaidInTheWindowWhileDiagnosisGoesOn) {
    {
        auto opened = record::Record::open(dataDir() / record::Record::kFileName);
        ASSERT_TRUE(opened.record);
        opened.record->database().exec("INSERT INTO schema_version(version) VALUES (50)");
    }
    start();
    auto* notice = m_form->findChild<QLabel*>("recordNotice");
    ASSERT_TRUE(waitFor([&] { return !notice->isHidden(); }));
    EXPECT_TRUE(notice->text().contains("not kept")) << notice->text().toStdString();
    EXPECT_TRUE(notice->text().contains("newer")) << notice->text().toStdString();
    toModuleMenu();
    EXPECT_TRUE(usable(button("pcm")));
}

}  // namespace
}  // namespace tvx::ui
