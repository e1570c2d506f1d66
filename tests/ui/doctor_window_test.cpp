// The connection doctor in the window: the port list greyed with a hint per item, the
// diagnosis after a failed start as the display's hint and on OK, the support button's file.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

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
    std::unique_ptr<sim::InMemoryPort> m_port;
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

}  // namespace
}  // namespace tvx::ui
