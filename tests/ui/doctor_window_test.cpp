// The connection doctor in the window: the port list greyed with a hint per item, the
// diagnosis after a failed start as the display's hint and on OK, the support button's file.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"
#ifndef _WIN32  // the simulator on a pseudo-terminal
#include "link/posix_serial_port.h"
#include "sim/pty_server.h"
#endif

namespace tvx::ui {
namespace {

using test::click;
using test::clickItem;
using test::lineText;
using test::usable;
using test::waitFor;

class DoctorWindow : public ::testing::Test {
protected:
    void start(std::vector<sim::Fault> faults, std::vector<link::PortInfo> ports) {
        ASSERT_TRUE(m_dir.isValid());
        sim::Scenario scenario = sim::vehicleScenario("petrol-car");
        scenario.faults = std::move(faults);
        m_box = std::make_unique<sim::Box>(std::move(scenario));
        m_port = std::make_unique<sim::InMemoryPort>(*m_box, m_clock);
        startWindow(std::move(ports));
    }
    void startWindow(std::vector<link::PortInfo> ports) {
        m_form = std::make_unique<TForm1>(QString());
        m_controller = std::make_unique<TesterController>(
            *m_form,
            TesterController::Setup{*m_port, m_clock, m_tick, nullptr, m_dir.path().toStdString()});
        TesterController::Diagnostics diagnostics;
        diagnostics.portLister = [ports] { return ports; };
        diagnostics.simulated = "petrol-car";
        m_controller->setDiagnostics(std::move(diagnostics));
        m_form->show();
        m_controller->start();
    }
    void TearDown() override {
        if (m_controller)
            m_controller->stop();
    }
    QLabel* note() { return m_form->findChild<QLabel*>("windowNote"); }
    // The note shows the text, whole, within the window.
    ::testing::AssertionResult noteShows(const char* text) {
        QLabel* shown = note();
        if (shown == nullptr)
            return ::testing::AssertionFailure() << "the window has no note";
        if (!waitFor([&] { return shown->isVisible() && shown->text().contains(text); }))
            return ::testing::AssertionFailure()
                   << "the note does not say \"" << text << "\": " << shown->text().toStdString();
        if (!m_form->rect().contains(shown->geometry()))
            return ::testing::AssertionFailure() << "the note is not all in the window";
        if (!shown->wordWrap() || shown->heightForWidth(shown->width()) > shown->height())
            return ::testing::AssertionFailure() << "the note is cut";
        return ::testing::AssertionSuccess();
    }
    QRadioButton* item(int index) {
        return m_form->findChild<QRadioButton*>(QStringLiteral("RGCom_%1").arg(index));
    }
    void pressWhenUsable(const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(m_form->button(name)); })) << name;
        click(m_form->button(name));
    }
    // Settings (COM1, English), a petrol car, plug in and OK: up to the failure screen.
    void failAStart(const char* failureLine) {
        ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " SELECT COM AND LANGUAGE"; }));
        clickItem(*m_form, "RGCom", 0);
        pressWhenUsable("OK");
        ASSERT_TRUE(waitFor([&] { return !m_form->findChild<QWidget*>("Frame31")->isHidden(); }));
        clickItem(*m_form, "PG1", 1);
        pressWhenUsable("OK");
        // OK is usable on the vehicle screen too: the second press waits for the plug prompt.
        ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " CONNECT KESTRON 7340 TO"; }));
        pressWhenUsable("OK");
        ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == failureLine; }))
            << lineText(*m_form, 1).toStdString();
    }

    QTemporaryDir m_dir;
    test::HoldableClock m_clock;
    link::SteadyClock m_tick;
    std::unique_ptr<sim::Box> m_box;
    std::unique_ptr<link::SerialPort> m_port;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TesterController> m_controller;
};

std::vector<link::PortInfo> oneAdapterAsCom1() {
    link::PortInfo adapter;
    adapter.device = "/dev/ttyUSB0";
    adapter.comIndex = 0;
    adapter.kind = link::PortKind::UsbSerial;
    adapter.vendor = "FTDI";
    return {adapter};
}

TEST_F(DoctorWindow, ThePortListGreysEmptyPortsAndSaysWhatEachIs) {
    start({}, oneAdapterAsCom1());
    ASSERT_TRUE(waitFor([&] { return !item(1)->isEnabled(); }));
    EXPECT_TRUE(item(0)->isEnabled());
    EXPECT_EQ(item(0)->toolTip(), "COM1: /dev/ttyUSB0 - USB serial adapter FTDI");
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(item(i)->isEnabled()) << i;
        EXPECT_TRUE(item(i)->toolTip().contains("no device")) << i;
    }
    EXPECT_EQ(item(0)->text(), "COM1") << "the items stay COM1..COM8";
    EXPECT_EQ(item(7)->text(), "COM8");
}

TEST_F(DoctorWindow, AfterASilentBoxTheDisplaysHintAndOkSayWhatToDo) {
    start({sim::Fault::silentBox()}, oneAdapterAsCom1());
    failAStart("   CONNECTION FAILED    ");
    auto* d1 = m_form->findChild<QWidget*>("d1");
    ASSERT_TRUE(waitFor([&] { return d1->toolTip().contains("the box is silent"); }))
        << d1->toolTip().toStdString();
    EXPECT_TRUE(d1->toolTip().contains("OBD socket"));
    EXPECT_EQ(lineText(*m_form, 3), "  PLEASE TURN KEY ON    ") << "the failure screen stays";
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " THE BOX IS SILENT      "; }));
    EXPECT_EQ(lineText(*m_form, 2), " CHECK OBD SOCKET POWER ");
}

TEST_F(DoctorWindow, TheSupportFileHoldsTheLineTheScreensAndTheFinding) {
    start({sim::Fault::silentBox()}, oneAdapterAsCom1());
    failAStart("   CONNECTION FAILED    ");
    ASSERT_TRUE(waitFor([&] { return !m_form->findChild<QWidget*>("d1")->toolTip().isEmpty(); }));
    ASSERT_NE(m_form->button("support"), nullptr);
    EXPECT_TRUE(m_form->button("support")->isVisible());
    const std::string file = m_dir.filePath("support.json").toStdString();
    std::string error;
    ASSERT_TRUE(m_controller->saveSupportFile(file, error)) << error;
    std::ifstream in(file);
    const nlohmann::json root = nlohmann::json::parse(in);
    EXPECT_EQ(root["program"]["name"], "tarvolinex");
    EXPECT_EQ(root["settings"]["simulated"], "petrol-car");
    EXPECT_EQ(root["settings"]["vehicle"], "FIESTA  1.4i");
    EXPECT_EQ(root["doctor"]["stage"], "box-silent");
    bool failedScreen = false;
    for (const auto& screen : root["screens"]) {
        failedScreen = failedScreen || screen["lines"][0] == "   CONNECTION FAILED    ";
    }
    EXPECT_TRUE(failedScreen);
    bool presenceTimedOut = false;
    for (const auto& event : root["line"]["events"]) {
        presenceTimedOut =
            presenceTimedOut || (event["event"] == "timeout" && event["timeoutMs"] == 1000);
    }
    EXPECT_TRUE(presenceTimedOut);
}

// After a failed start the diagnosis is in the window, wrapped within it, with the word that OK
// shows it on the display (the display's failure screen is the system's own and has no room).
TEST_F(DoctorWindow, TheDiagnosisIsShownInTheWindowWithTheWordThatOkShowsIt) {
    start({sim::Fault::silentBox()}, oneAdapterAsCom1());
    failAStart("   CONNECTION FAILED    ");
    ASSERT_NE(note(), nullptr) << "the window has no note";
    EXPECT_TRUE(noteShows("the box is silent"));
    EXPECT_TRUE(noteShows("Press OK to see the diagnosis on the display"));
    EXPECT_LE(m_form->height(), 740);
    pressWhenUsable("BACK");
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " CONNECT KESTRON 7340 TO"; }));
    EXPECT_TRUE(waitFor([&] { return note()->isHidden(); })) << "a diagnosis of the past";
}

// An adapter whose latency timer holds replies: the window warns with the fix, as the
// command-line doctor does, as soon as the port is open.
TEST_F(DoctorWindow, AHighAdapterLatencyIsWarnedOfWithItsFix) {
    start({sim::Fault::burstHold(16)}, oneAdapterAsCom1());
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " SELECT COM AND LANGUAGE"; }));
    clickItem(*m_form, "RGCom", 0);
    pressWhenUsable("OK");
    EXPECT_TRUE(noteShows("holds received bytes for 16 ms (its latency timer)"));
    EXPECT_TRUE(noteShows("Set it to 1 ms"));
}

#ifndef _WIN32
// The box's adapter unplugged for good: the port is missing when the start opens it again,
// and the window says so and what to do.
TEST_F(DoctorWindow, AMissingPortIsDiagnosedInTheWindow) {
    auto server = std::make_unique<sim::PtyServer>(sim::vehicleScenario("petrol-car"),
                                                   sim::PtyServer::Options{});
    std::string error;
    ASSERT_TRUE(server->open(error)) << error;
    server->start();
    m_port = std::make_unique<link::PosixSerialPort>(server->devicePath());
    startWindow(oneAdapterAsCom1());
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " SELECT COM AND LANGUAGE"; }));
    clickItem(*m_form, "RGCom", 0);
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] { return !m_form->findChild<QWidget*>("Frame31")->isHidden(); }));
    clickItem(*m_form, "PG1", 1);
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " CONNECT KESTRON 7340 TO"; }));
    server.reset();  // the device goes with it
    pressWhenUsable("OK");
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == "  LINE TO THE BOX LOST  "; }))
        << lineText(*m_form, 1).toStdString();
    pressWhenUsable("BACK");
    ASSERT_TRUE(waitFor([&] { return lineText(*m_form, 1) == " CONNECT KESTRON 7340 TO"; }));
    pressWhenUsable("OK");
    EXPECT_TRUE(noteShows("is not there"));
    EXPECT_TRUE(noteShows("Press OK to see the diagnosis on the display"));
}
#endif

}  // namespace
}  // namespace tvx::ui
