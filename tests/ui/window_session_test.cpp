// Whole sessions clicked through on the real window, the real session on its worker thread
// and the simulated box in memory, on virtual time.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "link/clock.h"
#include "session/interruptible_clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "ui/gauge_pages.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

using test::click;
using test::clickItem;
using test::HoldableClock;
using test::lineText;
using test::usable;
using test::waitFor;
using widgets::TDotMatrix5x7;
using widgets::TSevenSegment;

const QColor kPanelGreen(0, 128, 0);
const QColor kPanelRed(255, 0, 0);

class WindowSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // A small catalogue of our own: two codes of the petrol car, the third is unknown.
        writeFile("DTC5820EN.txt",
                  "generic powertrain codes\n"
                  "P0171 System too lean (bank 1)\n"
                  "P0300 Random/multiple cylinder misfire detected\n");
        writeFile("DTC5820TR.txt", "P0171 Sistem \xC3\xA7ok fakir (s\xC4\xB1ra 1)\n");
    }

    void TearDown() override {
        m_clock.release();
        if (m_controller)
            m_controller->stop();
    }

    // Closes the program and starts it again on the same data directory.
    void restart(const char* vehicle) {
        m_controller.reset();
        m_form.reset();
        start(vehicle);
    }

    void writeFile(const char* name, const char* text) {
        std::ofstream(m_dir.filePath(name).toStdString()) << text;
    }

    void start(const char* vehicle) { start(sim::vehicleScenario(vehicle)); }
    void start(sim::Scenario scenario) {
        m_box = std::make_unique<sim::Box>(std::move(scenario));
        m_port = std::make_unique<sim::InMemoryPort>(*m_box, m_clock);
        m_form = std::make_unique<TForm1>(QString());
        m_controller = std::make_unique<TesterController>(
            *m_form,
            TesterController::Setup{*m_port, m_clock, m_tick, nullptr, m_dir.path().toStdString()});
        m_form->show();
        m_controller->start();
    }

    TForm1& form() { return *m_form; }
    QPushButton* button(const char* name) { return m_form->button(name); }
    QWidget* widget(const char* name) { return test::named<QWidget>(*m_form, name); }
    QString line(int n) { return lineText(*m_form, n); }
    QString gauge(const char* name) { return test::named<TSevenSegment>(*m_form, name)->value(); }
    QString grid(int row) {
        return test::named<QTableWidget>(*m_form, "dtc_table")->item(row, 0)->text();
    }
    bool shows(int n, const char* text) { return line(n) == QLatin1String(text); }
    bool waitLine(int n, const char* text) {
        return waitFor([&] { return shows(n, text); });
    }
    void pressWhenUsable(const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(button(name)); })) << name << " never usable";
        click(button(name));
    }

    // First start: settings screen, COM1 and the language, OK.
    void confirmSettings(int language) {
        ASSERT_TRUE(waitLine(1, " SELECT COM AND LANGUAGE"));
        EXPECT_FALSE(widget("Frame41")->isHidden());
        EXPECT_FALSE(usable(button("Setting")));
        clickItem(form(), "RGCom", 0);
        clickItem(form(), "Language", language);
        pressWhenUsable("OK");
    }

    void chooseVehicle(const char* list, int index) {
        ASSERT_TRUE(waitFor([&] { return !widget("Frame31")->isHidden(); }));
        clickItem(form(), list, index);
        pressWhenUsable("OK");
        ASSERT_TRUE(waitLine(1, " CONNECT KESTRON 7340 TO"));
    }

    // OK on the plug-in prompt; stops on the first pause to see the connecting screen.
    void connectWatching() {
        m_clock.hold();
        pressWhenUsable("OK");
        ASSERT_TRUE(waitFor([&] { return m_clock.held() && shows(1, "      CONNECTING        "); }))
            << line(1).toStdString();
        EXPECT_FALSE(usable(button("OK")));
        EXPECT_FALSE(usable(button("DEMO")));
        m_clock.release();
        ASSERT_TRUE(waitLine(1, "     SELECT THE ECU     "));
    }

    QTemporaryDir m_dir;
    HoldableClock m_clock;
    link::VirtualClock m_tick;
    std::unique_ptr<sim::Box> m_box;
    std::unique_ptr<sim::InMemoryPort> m_port;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TesterController> m_controller;
};

TEST_F(WindowSession, PetrolCarLiveDataTroubleCodesAndClearing) {
    start("petrol-car");
    confirmSettings(0);
    ASSERT_TRUE(waitLine(1, "  SELECT THE CAR TYPE   "));
    EXPECT_EQ(test::named<QGroupBox>(form(), "PG1")->title(), "Gasoline");
    chooseVehicle("PG1", 1);  // "FIESTA  1.4i": advance, Hego down and barometer pages
    connectWatching();

    // Module menu: every module of the car can be chosen, the function keys wait for one.
    // The picture panel is among the last the menu shows: once it is up and nothing waits
    // for the window any more, the whole menu is there.
    ASSERT_TRUE(waitFor([&] {
        return !widget("Frame131")->isHidden() && m_controller->queuedView().pending() == 0;
    }));
    for (const char* module : {"pcm", "tcm", "abs", "ab", "cp"})
        EXPECT_TRUE(usable(button(module)));
    EXPECT_FALSE(usable(button("ICU")));
    click(button("pcm"));
    ASSERT_TRUE(waitFor([&] {
        return usable(button("live")) && button("pcm")->isChecked() && line(3).startsWith("  PCM");
    }));
    EXPECT_TRUE(usable(button("rdtc")));
    EXPECT_TRUE(usable(button("cdtc")));
    EXPECT_FALSE(usable(button("read_inj")));
    EXPECT_FALSE(usable(button("prog_inj")));

    // Live data: the petrol page with this model's panels, and the values move.
    click(button("live"));
    ASSERT_TRUE(waitFor([&] { return !widget("Frame61")->isHidden() && gauge("rpmd") != "0"; }));
    for (const char* shown : {"rpmp", "advp", "mapp", "hdp", "barop", "batp"})
        EXPECT_FALSE(widget("Frame61")->findChild<QWidget*>(shown)->isHidden()) << shown;
    for (const char* hidden : {"vip", "vop", "loadp"})
        EXPECT_TRUE(widget("Frame61")->findChild<QWidget*>(hidden)->isHidden()) << hidden;
    const QString first = gauge("rpmd");
    EXPECT_TRUE(waitFor([&] { return gauge("rpmd") != first; })) << "engine speed never changed";
    EXPECT_FALSE(gauge("Batd").isEmpty());

    // Back to the plug-in prompt, then straight on to the modules again.
    pressWhenUsable("BACK");
    // The module buttons go after the prompt is written.
    ASSERT_TRUE(
        waitFor([&] { return shows(1, " CONNECT KESTRON 7340 TO") && button("pcm")->isHidden(); }));
    EXPECT_TRUE(widget("Frame61")->isHidden());
    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(1, "     SELECT THE ECU     "));
    pressWhenUsable("pcm");

    // Read DTC: the busy screen in yellow during the pause, then the rows from the catalogue.
    ASSERT_TRUE(waitFor([&] { return usable(button("rdtc")); }));
    m_clock.hold();
    click(button("rdtc"));
    ASSERT_TRUE(waitFor([&] { return m_clock.held() && shows(1, "      READING DTCS      "); }));
    EXPECT_EQ(form().displayLine(1)->onColor(), QColor(255, 255, 0));
    m_clock.release();
    ASSERT_TRUE(waitFor([&] { return grid(3).startsWith("P0420"); })) << grid(3).toStdString();
    EXPECT_EQ(grid(1), "P0171 System too lean (bank 1)");
    EXPECT_EQ(grid(2), "P0300 Random/multiple cylinder misfire detected");
    EXPECT_TRUE(grid(3).contains("UNDEFINED DTC"));
    EXPECT_TRUE(grid(4).isEmpty());
    EXPECT_FALSE(widget("Frame111")->isHidden());
    ASSERT_TRUE(waitFor([&] { return line(3).startsWith("  PCM"); }));  // screen restored
    EXPECT_EQ(form().displayLine(1)->onColor(), QColor(0, 255, 0));

    // Clear DTC, then a new read finds nothing and leaves the grid empty.
    m_clock.hold();
    pressWhenUsable("cdtc");
    ASSERT_TRUE(waitFor([&] { return m_clock.held() && shows(1, "      DELETING DTCS     "); }));
    m_clock.release();
    ASSERT_TRUE(waitFor([&] { return line(3).startsWith("  PCM") && usable(button("rdtc")); }));
    click(button("rdtc"));
    ASSERT_TRUE(waitFor([&] { return grid(1).isEmpty() && line(3).startsWith("  PCM"); }));
    EXPECT_TRUE(grid(3).isEmpty());

    m_controller->stop();
    EXPECT_TRUE(m_box->storedCodes(sim::kPcm).empty());
}

TEST_F(WindowSession, DieselVanInjectorsReadSelectedTypedAndProgrammed) {
    const sim::Scenario van = sim::vehicleScenario("diesel-van");
    start("diesel-van");
    confirmSettings(0);
    chooseVehicle("DG1", 4);  // "FOCUS 1.8 TDCI" has an injector control unit
    ASSERT_TRUE(waitLine(1, " CONNECT KESTRON 7340 TO"));
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] { return usable(button("ICU")); }));
    click(button("ICU"));
    ASSERT_TRUE(waitFor([&] { return usable(button("read_inj")); }));
    EXPECT_FALSE(usable(button("live")));
    EXPECT_FALSE(usable(button("rdtc")));

    // Read: each panel's code line shows that injector's code as the unit holds it.
    click(button("read_inj"));
    auto hex = [](const std::array<std::uint8_t, 8>& bytes) {
        QString text;
        for (std::uint8_t b : bytes)
            text += QStringLiteral("%1").arg(b, 2, 16, QChar('0'));
        return text.toUpper();
    };
    auto codeLine = [&](int n) {
        return test::named<TDotMatrix5x7>(form(), QStringLiteral("edis%1").arg(n))->value();
    };
    ASSERT_TRUE(waitFor([&] { return codeLine(4) == hex(van.injectorCodes[3]); }))
        << codeLine(4).toStdString();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(codeLine(n), hex(van.injectorCodes[n - 1])) << n;
    EXPECT_FALSE(widget("Frame91")->isHidden());
    EXPECT_TRUE(widget("E1")->isHidden());

    // Programming: ignition off, wait, ignition on, wait, then the entry screen.
    pressWhenUsable("prog_inj");
    ASSERT_TRUE(waitLine(2, " OFF  AND CLICK OK      "));
    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(2, " ON AND CLICK OK        "));
    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(1, " SELECT INJECTOR AND    "));
    auto panelColour = [&](int n) {
        return widget(qPrintable(QStringLiteral("Panel%1").arg(n)))->property("panelColour");
    };
    EXPECT_EQ(panelColour(1), kPanelGreen);
    EXPECT_FALSE(widget("E1")->isHidden());
    EXPECT_EQ(test::named<QLineEdit>(form(), "E1")->text(), hex(van.injectorCodes[0]));
    // Under the edit box, the code the unit holds: an edit never hides it.
    ASSERT_TRUE(waitFor([&] { return !widget("before1")->isHidden(); }));
    EXPECT_EQ(test::named<QLabel>(form(), "before1")->text(),
              "before: " + hex(van.injectorCodes[0]));
    EXPECT_TRUE(widget("before3")->isHidden());

    // Panel 3, then panel 1 by its label: only the chosen injector's box and OK remain.
    click(widget("Panel3"));
    ASSERT_TRUE(waitFor([&] { return !widget("e3")->isHidden() && widget("E1")->isHidden(); }));
    EXPECT_EQ(panelColour(3), kPanelGreen);
    EXPECT_EQ(panelColour(1), kPanelRed);
    click(widget("label1"));
    // Each injector's box and OK in turn: ok3 is hidden after e3.
    ASSERT_TRUE(waitFor([&] { return !widget("E1")->isHidden() && widget("ok3")->isHidden(); }));
    for (const char* hidden : {"e2", "e3", "e4", "ok2", "ok3", "ok4"})
        EXPECT_TRUE(widget(hidden)->isHidden()) << hidden;
    EXPECT_FALSE(widget("OK1")->isHidden());
    EXPECT_EQ(panelColour(1), kPanelGreen);
    EXPECT_EQ(panelColour(3), kPanelRed);

    // A typed code goes to the code line with OK1.
    auto* edit = test::named<QLineEdit>(form(), "E1");
    edit->clear();
    QTest::keyClicks(edit, "00112233445566F7");
    click(widget("OK1"));
    ASSERT_TRUE(waitFor([&] { return codeLine(1) == "00112233445566F7"; }));

    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(4, "      ARE YOU SURE ?    "));
    pressWhenUsable("OK");
    ASSERT_TRUE(
        waitFor([&] { return shows(2, " OFF  AND CLICK OK      ") && usable(button("OK")); }));
    click(button("OK"));
    ASSERT_TRUE(
        waitFor([&] { return shows(2, " ON AND CLICK OK        ") && usable(button("OK")); }));
    click(button("OK"));
    ASSERT_TRUE(waitLine(1, "  PROGRAMMING FINISHED  "));

    m_controller->stop();
    const std::array<std::uint8_t, 8> typed{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xF7};
    EXPECT_EQ(m_box->injectorCode(1), typed);
    EXPECT_EQ(m_box->injectorCode(2), van.injectorCodes[1]);
}

TEST_F(WindowSession, LanguageSwitchChangesCaptionsAndHintsBothWays) {
    start("petrol-car");
    confirmSettings(1);  // Turkish
    ASSERT_TRUE(waitLine(1, "  ARAC TiPiNi SECiNiZ   "));
    EXPECT_EQ(button("BACK")->text(), "geri");
    EXPECT_EQ(button("EXIT")->text(), QString::fromUtf8("\xC3\xA7\xC4\xB1k\xC4\xB1\xC5\x9F"));
    EXPECT_EQ(button("rdtc")->text(), QString::fromUtf8("Ar\xC4\xB1za oku"));
    EXPECT_EQ(test::named<QGroupBox>(form(), "PG1")->title(), "Benzinli");
    EXPECT_EQ(button("pcm")->toolTip(), "motor beyni");
    EXPECT_EQ(widget("rpmp")->toolTip(), QString::fromUtf8("motor devir say\xC4\xB1s\xC4\xB1"));
    for (QWidget* panel : form().controlsNamed("rpmp"))  // petrol and diesel page alike
        EXPECT_EQ(panelCaption(panel)->text(), QString::fromUtf8("DEV\xC4\xB0R"));
    EXPECT_EQ(panelCaption(widget("cppp"))->text(), QString::fromUtf8("DEBR\xC4\xB0YAJ"));
    EXPECT_EQ(test::named<QLabel>(form(), "Label2")->text(),
              QString::fromUtf8("Enjekt\xC3\xB6r 3"));

    // The next start remembers Turkish and waits on the start panel, where Setting reopens
    // the settings screen; English is chosen again.
    restart("petrol-car");
    // HELP's caption is the last of the start captions.
    ASSERT_TRUE(waitFor([&] {
        return button("HELP")->text() == QString::fromUtf8("yard\xC4\xB1m") &&
               usable(button("Setting"));
    }));
    EXPECT_FALSE(widget("Frame21")->isHidden());
    EXPECT_EQ(button("Setting")->text(), "ayarlar");
    click(button("Setting"));
    ASSERT_TRUE(waitLine(1, " COM PORT VE DiL SECiNiZ"));
    EXPECT_EQ(form().list("Language")->itemIndex(), 1);
    clickItem(form(), "Language", 0);
    clickItem(form(), "RGCom", 0);
    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(1, "  SELECT THE CAR TYPE   "));
    EXPECT_EQ(button("BACK")->text(), "back");
    EXPECT_EQ(button("EXIT")->text(), "exit");
    EXPECT_EQ(button("pcm")->toolTip(), "powertrain control modul");
    EXPECT_EQ(widget("rpmp")->toolTip(), "engine revolution");
    EXPECT_EQ(panelCaption(widget("cppp"))->text(), "CLUTCH");
    EXPECT_EQ(test::named<QLabel>(form(), "Label2")->text(), "Injector 3");
}

TEST_F(WindowSession, KeyboardEnterConfirmsAndEscapeGoesBack) {
    start("petrol-car");
    ASSERT_TRUE(waitLine(1, " SELECT COM AND LANGUAGE"));
    EXPECT_EQ(form().list("RGCom")->itemIndex(), 0);  // a first start offers COM1
    QTest::keyClick(&form(), Qt::Key_Return);
    ASSERT_TRUE(waitLine(1, "  SELECT THE CAR TYPE   "));
    ASSERT_TRUE(waitFor([&] { return !usable(button("OK")); }));
    QSignalSpy okClicks(button("OK"), &QPushButton::clicked);
    QTest::keyClick(&form(), Qt::Key_Return);  // no vehicle yet: OK is off, Enter does nothing
    EXPECT_EQ(okClicks.count(), 0);
    clickItem(form(), "DG1", 0);
    ASSERT_TRUE(waitFor([&] { return usable(button("OK")); }));
    QTest::keyClick(&form(), Qt::Key_Enter);
    EXPECT_EQ(okClicks.count(), 1);
    ASSERT_TRUE(waitLine(1, " CONNECT KESTRON 7340 TO"));
    ASSERT_TRUE(waitFor([&] { return usable(button("BACK")); }));
    QTest::keyClick(&form(), Qt::Key_Escape);
    ASSERT_TRUE(waitLine(1, "  SELECT THE CAR TYPE   "));
    EXPECT_EQ(form().list("DG1")->itemIndex(), -1);
}

TEST_F(WindowSession, ClusterPageShowsOdometerAndCodeCount) {
    start("petrol-car");
    confirmSettings(0);
    chooseVehicle("PG1", 0);
    pressWhenUsable("OK");
    ASSERT_TRUE(waitLine(1, "     SELECT THE ECU     "));
    pressWhenUsable("cp");
    pressWhenUsable("live");
    ASSERT_TRUE(waitFor([&] { return gauge("kmd").startsWith("86412"); }))
        << gauge("kmd").toStdString();
    EXPECT_FALSE(widget("Frame81")->isHidden());
    EXPECT_TRUE(widget("Frame61")->isHidden());
    auto* clusterCount = widget("Frame81")->findChild<TSevenSegment*>("dtcd");
    EXPECT_TRUE(waitFor([&] { return clusterCount->value().trimmed() == "1"; }))
        << clusterCount->value().toStdString();  // the cluster holds one code
}

TEST_F(WindowSession, SilentBoxShowsTheRedFailureScreenAndDemoStillWorks) {
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    sim::Fault silent;
    silent.kind = sim::FaultKind::SilentBox;
    car.faults.push_back(silent);
    start(std::move(car));
    confirmSettings(0);
    chooseVehicle("PG1", 0);
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] {
        return shows(1, "   CONNECTION FAILED    ") && shows(3, "  PLEASE TURN KEY ON    ");
    }));
    EXPECT_EQ(form().displayLine(1)->onColor(), QColor(255, 0, 0));
    pressWhenUsable("DEMO");
    ASSERT_TRUE(waitLine(1, "     SELECT THE ECU     "));
    EXPECT_EQ(form().displayLine(1)->onColor(), QColor(0, 255, 0));
    ASSERT_TRUE(waitFor([&] { return usable(button("cp")); }));
    for (const char* module : {"pcm", "tcm", "abs", "ab", "cp"})
        EXPECT_TRUE(usable(button(module)));
}

TEST_F(WindowSession, ExitStopsTheSessionAndClosesTheWindow) {
    start("petrol-car");
    ASSERT_TRUE(waitLine(1, " SELECT COM AND LANGUAGE"));
    click(button("EXIT"));
    EXPECT_TRUE(waitFor([&] { return !form().isVisible(); }));
    EXPECT_FALSE(m_controller->running());
}

}  // namespace
}  // namespace tvx::ui

namespace tvx::ui {
namespace {

// As in the program: wall-clock time, bytes paced at 9600 baud, pauses that EXIT cuts short.
TEST(WindowOnRealTime, LiveDataRunsWithoutBlockingTheWindowAndExitStopsIt) {
    QTemporaryDir dir;
    session::InterruptibleClock clock;
    link::SteadyClock tick;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    port.setPacing(true);
    TForm1 form{QString()};
    TesterController controller(form, {port, clock, tick, &clock, dir.path().toStdString()});
    form.show();
    controller.start();

    auto line = [&](int n) { return lineText(form, n); };
    auto press = [&](const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(form.button(name)); })) << name;
        click(form.button(name));
    };
    ASSERT_TRUE(waitFor([&] { return line(1) == " SELECT COM AND LANGUAGE"; }));
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1) == "  SELECT THE CAR TYPE   "; }));
    clickItem(form, "PG1", 0);
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1) == " CONNECT KESTRON 7340 TO"; }));
    press("OK");
    ASSERT_TRUE(waitFor([&] { return line(1) == "     SELECT THE ECU     "; }));
    press("pcm");
    press("live");
    auto* rpm = test::named<TSevenSegment>(form, "rpmd");
    ASSERT_TRUE(waitFor([&] { return rpm->value() != "0"; }));
    // The GUI thread keeps turning while the session polls: a posted call runs at once.
    bool ran = false;
    QMetaObject::invokeMethod(
        &form, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(waitFor([&] { return ran; }));

    click(form.button("EXIT"));
    EXPECT_TRUE(waitFor([&] { return !form.isVisible(); }));
    EXPECT_FALSE(controller.running());
}

}  // namespace
}  // namespace tvx::ui
