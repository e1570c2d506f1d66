// The window's own dialogs in the language chosen, and Qt's dialogs with them in Turkish
// where the system has Qt's translations.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "datadir/settings.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

using test::click;
using test::waitFor;

// Answers the next modal dialog once it shows; the dialog's own loop runs meanwhile.
void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

QStringList buttonTexts(QWidget* dialog) {
    QStringList texts;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible())
            texts << button->text().remove('&');
    return texts;
}

bool qtSpeaksTurkish() {
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                             QStringLiteral("/qtbase_tr.qm"));
}

struct Language {
    char code;
    const char* title;
    const char* saved;
    const char* turkishOk;  // Qt's OK, when Qt's Turkish is there
};

class WindowLanguage : public ::testing::TestWithParam<Language> {};

// The support button: its file dialog and the box that says where it went.
TEST_P(WindowLanguage, TheSupportFilesDialogsSpeakTheWindowsLanguage) {
    const Language language = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(session::writeSettings(session::settingsPath(dir.path().toStdString()),
                                       {0, language.code}));
    sim::Box box(sim::vehicleScenario("petrol-car"));
    test::HoldableClock clock;
    link::SteadyClock tick;
    sim::InMemoryPort port(box, clock);
    TForm1 form{QString()};
    TesterController controller(form, {port, clock, tick, nullptr, dir.path().toStdString()});
    form.show();

    const QString file = dir.filePath("support.json");
    QString fileTitle, savedTitle, savedText;
    QStringList savedButtons;
    whenModal([&](QWidget* dialog) {
        fileTitle = dialog->windowTitle();
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        whenModal([&](QWidget* box) {
            savedTitle = box->windowTitle();
            if (auto* message = qobject_cast<QMessageBox*>(box))
                savedText = message->text();
            savedButtons = buttonTexts(box);
            qobject_cast<QDialog*>(box)->accept();
        });
        files->selectFile(file);
        static_cast<QDialog*>(files)->accept();
    });
    click(form.button("support"));
    EXPECT_EQ(fileTitle, QString::fromUtf8(language.title));
    EXPECT_EQ(savedTitle, QString::fromUtf8(language.title));
    EXPECT_EQ(savedText, QString::fromUtf8(language.saved).arg(file));
    EXPECT_TRUE(QFileInfo::exists(file));
    if (language.code == '2' && qtSpeaksTurkish()) {
        EXPECT_TRUE(savedButtons.contains(QString::fromUtf8(language.turkishOk)))
            << savedButtons.join(',').toStdString() << ": Qt's own button in English";
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, WindowLanguage,
    ::testing::Values(Language{'1', "Support file", "Saved: %1", ""},
                      Language{'2', "Destek dosyası", "Kaydedildi: %1", "Tamam"}),
    [](const auto& info) { return std::string(info.param.code == '2' ? "Turkish" : "English"); });

}  // namespace
}  // namespace tvx::ui
