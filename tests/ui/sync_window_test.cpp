#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "keeper/record_keeper.h"
#include "silent_server.h"
#include "sync/sync_settings.h"
#include "sync_fixture.h"
#include "ui/sync_dialog.h"
#include "ui_helpers.h"
#include "van_window.h"

namespace tvx::ui {
namespace {

using test::click;
using test::usable;
using test::waitFor;

// A check or a pass against the real server; the limit only keeps a broken build from
// hanging.
constexpr int kServerLimitMs = 60000;

// The window on the simulated van, its data directory on this test's database of the
// tests' PostgreSQL server (tests/sync/pg-server.sh).
class SyncWindow : public sync::testing::SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(TVX_TEST_DATA_DIR) / name,
                                       dataDir() / name);
        }
    }
    void TearDown() override {
        m_window.close();  // the dialog waits for a check under way, the sync's thread ends
        SyncTest::TearDown();
    }
    std::filesystem::path dataDir() const { return m_dir.path().toStdString(); }
    std::filesystem::path settingsFile() const { return dataDir() / sync::SyncSettings::kFileName; }
    // language: '1' English, '2' Turkish.
    void start(char language = '1') {
        std::ofstream(dataDir() / "tarvol.txt") << "1\n" << language << "\n";
        m_window.start(dataDir());
        m_form = m_window.form.get();
        m_controller = m_window.controller.get();
    }
    void press(const char* name) { m_window.press(name); }
    bool line(int n, const char* text) const { return m_window.line(n, text); }
    bool screen(const char* name) {
        return waitFor([&] { return !m_form->findChild<QWidget*>(name)->isHidden(); });
    }
    // The settings screen's button opens the dialog.
    SyncDialog* openDialog() {
        EXPECT_TRUE(waitFor([&] { return line(1, "**  tarvolinex 7340   **"); }));
        press("Setting");
        EXPECT_TRUE(screen("Frame41"));
        click(m_form->findChild<QPushButton*>("syncSettings"));
        auto* dialog = qobject_cast<SyncDialog*>(m_controller->syncDialog());
        EXPECT_TRUE(dialog != nullptr && dialog->isVisible());
        return dialog;
    }
    template <typename T>
    static T* control(SyncDialog* dialog, const char* name) {
        auto* found = dialog->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Typed into the fields, then "Check and save".
    void checkAndSave(SyncDialog* dialog, const std::string& conninfo,
                      const char* workshop = "north", const char* bay = "bay-1") {
        const std::pair<const char*, QString> fields[] = {
            {"syncConninfo", QString::fromStdString(conninfo)},
            {"syncWorkshop", QString::fromLatin1(workshop)},
            {"syncBay", QString::fromLatin1(bay)}};
        for (const auto& [name, value] : fields) {
            auto* edit = control<QLineEdit>(dialog, name);
            edit->clear();
            QTest::keyClicks(edit, value);
        }
        click(control<QPushButton>(dialog, "syncCheckSave"));
    }
    static bool checked(SyncDialog* dialog) {
        return waitFor([&] { return !dialog->busy(); }, kServerLimitMs);
    }
    QLabel* statusLabel() const { return m_form->findChild<QLabel*>("syncStatus"); }

    QTemporaryDir m_dir;
    test::VanWindow m_window;
    TForm1* m_form = nullptr;
    TesterController* m_controller = nullptr;
};

// Set up from the window with a bay's role: the findings as the command line prints them,
// the setting stored, the window's sync started with it (the status line says synced); a
// code read then reaches the server with "Sync now".
TEST_F(SyncWindow, SettingUpFromTheWindowStartsTheSyncAndSyncNowPushes) {
    start();
    EXPECT_TRUE(statusLabel()->isHidden());  // off: nothing to say
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    // The button sits on the settings screen, clear of its lists.
    auto* settings = m_form->findChild<QWidget*>("Frame41");
    const QRect shared = m_form->findChild<QPushButton*>("syncSettings")->geometry();
    EXPECT_TRUE(settings->rect().contains(shared));
    for (const char* list : {"RGCom", "Language"}) {
        EXPECT_FALSE(m_form->list(list)->geometry().intersects(shared)) << list;
    }
    EXPECT_TRUE(control<QLabel>(dialog, "syncState")->text().startsWith("Shared history: off"));
    EXPECT_FALSE(control<QPushButton>(dialog, "syncNow")->isEnabled());

    checkAndSave(dialog, as("bay_n1"));
    ASSERT_TRUE(checked(dialog));
    EXPECT_TRUE(dialog->result().startsWith("connected as bay_n1\n"))
        << dialog->result().toStdString();
    EXPECT_TRUE(
        dialog->result().contains("the role may add to and read the workshop north's "
                                  "history, never change it"))
        << dialog->result().toStdString();
    EXPECT_TRUE(std::filesystem::exists(settingsFile()));
    ASSERT_TRUE(waitFor([&] { return statusLabel()->text() == "synced"; }, kServerLimitMs))
        << statusLabel()->text().toStdString();
    EXPECT_TRUE(statusLabel()->isVisible());
    EXPECT_TRUE(control<QLabel>(dialog, "syncState")
                    ->text()
                    .startsWith("Shared history: workshop north, bay bay-1\n"))
        << control<QLabel>(dialog, "syncState")->text().toStdString();

    // The dialog stays open beside the window: a code read of the van, then Sync now.
    press("OK");  // the settings screen confirmed: the vehicle list
    ASSERT_TRUE(screen("Frame31"));
    test::clickItem(*m_form, "DG1", 4);
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1, " CONNECT KESTRON 7340 TO"); }));
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1, "     SELECT THE ECU     "); }));
    press("pcm");
    press("rdtc");
    ASSERT_TRUE(waitFor([&] {
        return m_form->findChild<QTableWidget*>("dtc_table")
            ->item(1, 0)
            ->text()
            .startsWith("P0087");
    }));
    m_controller->recordKeeper()->flush();
    ASSERT_TRUE(usable(control<QPushButton>(dialog, "syncNow")));
    click(control<QPushButton>(dialog, "syncNow"));
    EXPECT_EQ(dialog->result(), "Pushing and pulling the shared history ...");
    // The sync's own pause is 30 s: only Sync now brings the pass within this limit.
    ASSERT_TRUE(waitFor(
        [&] {
            QThread::msleep(20);
            return stored("bay = 'bay-1' AND kind = 'code_read'") == 1;
        },
        20000));
    EXPECT_TRUE(waitFor([&] {
        return control<QLabel>(dialog, "syncState")->text().contains("\nWaiting:         0\n");
    }));
}

// A server that takes the connection and keeps silent: the check runs beside the window
// (busy bar, the window's keys work), and once the line breaks it says the server cannot
// be reached and nothing is stored.
TEST_F(SyncWindow, AServerThatDoesNotAnswerNeitherHoldsTheWindowNorIsSaved) {
    start();
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    sync::testing::SilentServer silent;
    checkAndSave(dialog, "host=127.0.0.1 port=" + std::to_string(silent.port()) +
                             " dbname=tvx user=bay_n1 connect_timeout=0");
    EXPECT_TRUE(dialog->busy());
    EXPECT_TRUE(control<QProgressBar>(dialog, "syncBusy")->isVisible());
    EXPECT_FALSE(control<QPushButton>(dialog, "syncCheckSave")->isEnabled());
    EXPECT_EQ(dialog->result(), "Checking the server ...");
    // The window goes on: back to the start panel and into the vehicle list.
    press("OK");
    EXPECT_TRUE(screen("Frame31"));
    EXPECT_TRUE(dialog->busy());  // the server still has not answered
    silent.close();
    ASSERT_TRUE(checked(dialog));
    EXPECT_TRUE(dialog->result().startsWith("cannot reach the server: "))
        << dialog->result().toStdString();
    EXPECT_FALSE(control<QProgressBar>(dialog, "syncBusy")->isVisible());
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_TRUE(statusLabel()->isHidden());
}

// What the setup refuses, in the command line's words: nothing stored, the sync stays off.
struct RefusedCase {
    const char* what;
    const char* role;
    const char* extra;  // added to the connection string
    const char* says;
};

class RefusedSetup : public SyncWindow, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedSetup, IsSaidAndNothingIsStored) {
    start();
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    checkAndSave(dialog, as(GetParam().role) + GetParam().extra);
    ASSERT_TRUE(checked(dialog));
    EXPECT_TRUE(dialog->result().contains(QString::fromUtf8(GetParam().says)))
        << dialog->result().toStdString();
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_TRUE(statusLabel()->isHidden());
    EXPECT_FALSE(control<QPushButton>(dialog, "syncNow")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedSetup,
    ::testing::Values(
        RefusedCase{"password", "bay_n1", " password=n1-secret",
                    "the connection string holds a password: Tarvolinex never stores one; put it "
                    "in the pgpass file or PGPASSWORD and leave it out of the string"},
        RefusedCase{"stranger", "stranger", "",
                    "the role stranger may not use the history: make it a member of tvx_bay"},
        RefusedCase{"otherWorkshop", "bay_s1", "", "the role bay_s1 is not in the workshop north"},
        RefusedCase{"noDatabase", "bay_n1", " dbname=tvx_none",
                    "the server refused: connection to server on socket"}),
    [](const auto& info) { return std::string(info.param.what); });

// A Turkish window with the shared history set up: the status line, the dialog's words and
// the sync's state in Turkish, as the command line says them.
TEST_F(SyncWindow, ATurkishWindowShowsTheSyncInTurkish) {
    sync::saveSyncSettings(dataDir(), bay("bay_n1", "north", "bay-1"));
    start('2');
    ASSERT_TRUE(waitFor([&] { return statusLabel()->isVisible(); }, kServerLimitMs));
    EXPECT_EQ(statusLabel()->text(), QString::fromUtf8("eşitlendi"));
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Ortak geçmiş"));
    const std::pair<const char*, const char*> buttons[] = {{"syncCheckSave", "Denetle ve &kaydet"},
                                                           {"syncNow", "Şimdi &eşitle"},
                                                           {"syncOff", "Eşitlemeyi &durdur"},
                                                           {"syncClose", "Ka&pat"}};
    for (const auto& [name, caption] : buttons) {
        EXPECT_EQ(control<QPushButton>(dialog, name)->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(control<QLabel>(dialog, "syncBayLabel")->text(), QString::fromUtf8("&Bölme:"));
    const QString state = control<QLabel>(dialog, "syncState")->text();
    EXPECT_TRUE(state.startsWith(QString::fromUtf8("Ortak geçmiş: atölye north, bölme bay-1\n")))
        << state.toStdString();
    EXPECT_TRUE(state.contains(QString::fromUtf8("\nDurum:           eşitlendi\n")))
        << state.toStdString();
    EXPECT_TRUE(state.contains(QString::fromUtf8("\nBekleyen:        0\n"))) << state.toStdString();

    click(control<QPushButton>(dialog, "syncOff"));
    EXPECT_EQ(dialog->result(),
              QString::fromUtf8("Ortak geçmiş kapatıldı: bu bilgisayarın kaydettikleri, ortak "
                                "geçmiş yeniden kurulana dek kayıtta bekler."));
    EXPECT_TRUE(control<QLabel>(dialog, "syncState")
                    ->text()
                    .startsWith(QString::fromUtf8("Ortak geçmiş: kapalı\nBekleyen:        ")));
}

// A Turkish window says what the setup found in Turkish, refused or saved.
TEST_F(SyncWindow, ATurkishWindowSaysTheSetupsFindingsInTurkish) {
    start('2');
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    const std::pair<std::string, const char*> cases[] = {
        {as("bay_n1") + " password=n1-secret",
         "bağlantı dizesinde parola var: Tarvolinex parola saklamaz"},
        {as("stranger"), "rol stranger geçmişi kullanamıyor: onu tvx_bay üyesi yapın"},
        {as("bay_s1"), "rol bay_s1 şu atölyede değil: north"},
        {as("bay_n1"), "rol şu atölyenin geçmişine ekleyip okuyabilir, asla değiştiremez: north"}};
    for (const auto& [conninfo, says] : cases) {
        checkAndSave(dialog, conninfo);
        ASSERT_TRUE(checked(dialog)) << says;
        EXPECT_TRUE(dialog->result().contains(QString::fromUtf8(says)))
            << dialog->result().toStdString();
        EXPECT_FALSE(dialog->result().contains(QStringLiteral("the role")))
            << dialog->result().toStdString();
    }
    EXPECT_TRUE(std::filesystem::exists(settingsFile()));
}

// Turning off: the setting goes, the window's sync stops and says nothing more; setting up
// again is offered with the fields as they were.
TEST_F(SyncWindow, TurningOffStopsTheWindowsSync) {
    sync::saveSyncSettings(dataDir(), bay("bay_n1", "north", "bay-1"));
    start();
    ASSERT_TRUE(waitFor([&] { return statusLabel()->text() == "synced"; }, kServerLimitMs))
        << statusLabel()->text().toStdString();
    SyncDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<QLineEdit>(dialog, "syncBay")->text(), "bay-1");
    click(control<QPushButton>(dialog, "syncOff"));
    EXPECT_EQ(dialog->result(),
              "Shared history off: what this PC records waits in its record "
              "until the shared history is set up again.");
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_TRUE(statusLabel()->isHidden());
    EXPECT_FALSE(control<QPushButton>(dialog, "syncNow")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(dialog, "syncOff")->isEnabled());
    EXPECT_TRUE(control<QLabel>(dialog, "syncState")->text().startsWith("Shared history: off\n"));
    EXPECT_EQ(control<QLineEdit>(dialog, "syncBay")->text(), "bay-1");
}

}  // namespace
}  // namespace tvx::ui
