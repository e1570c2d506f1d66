// Takes a picture of each main screen of the window, driven through a real session on the
// simulated car and van: docs/screenshots/take.sh runs it under Xvfb.
//   ui_screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <filesystem>
#include <iostream>
#include <memory>

#include "datadir/data_install.h"
#include "link/clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

namespace {

using namespace tvx;
using ui::test::click;
using ui::test::clickItem;
using ui::test::usable;
using ui::test::waitFor;

class Photographer {
public:
    // `paced`: the box answers at the wire's pace on the virtual clock, so live readings come
    // with the times they would have on the road (the chart needs them), at full speed.
    Photographer(const char* vehicle, const QString& dataDir, const QString& outDir,
                 bool paced = false)
        : Photographer(sim::vehicleScenario(vehicle), dataDir, outDir, {}, paced) {}
    Photographer(sim::Scenario scenario, const QString& dataDir, const QString& outDir,
                 ui::TesterController::Diagnostics diagnostics, bool paced = false)
        : m_box(std::move(scenario)),
          m_port(m_box, m_clock),
          m_form(dataDir + "/start.jpg"),
          m_controller(m_form, {m_port, m_clock, m_tick, nullptr, dataDir.toStdString()}),
          m_outDir(outDir) {
        m_port.setPacing(paced);
        m_form.move(0, 0);
        m_form.show();
        m_controller.setDiagnostics(std::move(diagnostics));
        m_controller.start();
    }
    ~Photographer() { m_controller.stop(); }

    ui::TForm1& form() { return m_form; }
    ui::TesterController& controller() { return m_controller; }
    QPushButton* button(const char* name) { return m_form.button(name); }

    void expectLine(int n, const char* text) {
        if (!waitFor([&] { return ui::test::lineText(m_form, n) == QLatin1String(text); }))
            fail(std::string("never showed \"") + text + "\"");
    }
    void press(const char* name) {
        if (!waitFor([&] { return usable(button(name)); }))
            fail(std::string(name) + " never usable");
        click(button(name));
    }
    void until(const std::function<bool()>& condition, const std::string& what) {
        if (!waitFor(condition))
            fail(what);
    }
    // Lets the window settle and paint, then takes it as the screen shows it.
    void shoot(const char* name) {
        waitFor([&] { return m_controller.queuedView().pending() == 0; });
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QPixmap picture = m_form.screen()->grabWindow(m_form.winId());
        if (picture.isNull())
            picture = m_form.grab();
        const QString path = QDir(m_outDir).filePath(QString::fromLatin1(name) + ".png");
        if (!picture.save(path))
            fail("cannot write " + path.toStdString());
        std::cout << "saved " << path.toStdString() << '\n';
    }
    // The window with the hint (tooltip) of a control shown over it, as the mouse shows it.
    void shootHint(const char* name, QWidget* control) {
        waitFor([&] { return m_controller.queuedView().pending() == 0; });
        const QPoint at = control->mapToGlobal(QPoint(control->width() / 2, control->height() / 2));
        QToolTip::showText(at, control->toolTip(), control);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QRect area = m_form.frameGeometry().adjusted(0, 0, 0, 120);
        const QPixmap picture =
            m_form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        QToolTip::hideText();
        const QString path = QDir(m_outDir).filePath(QString::fromLatin1(name) + ".png");
        if (!picture.save(path))
            fail("cannot write " + path.toStdString());
        std::cout << "saved " << path.toStdString() << '\n';
    }
    [[noreturn]] static void fail(const std::string& what) {
        std::cerr << "ui_screenshots: " << what << '\n';
        std::exit(1);
    }

    // Settings, then the vehicle list, then the plug-in prompt and the module menu.
    void connect(const char* list, int model, bool photograph) {
        expectLine(1, " SELECT COM AND LANGUAGE");
        clickItem(m_form, "RGCom", 0);
        if (photograph)
            shoot("settings");
        press("OK");
        expectLine(1, "  SELECT THE CAR TYPE   ");
        clickItem(m_form, list, model);
        if (photograph)
            shoot("vehicle");
        press("OK");
        expectLine(1, " CONNECT KESTRON 7340 TO");
        press("OK");
        expectLine(1, "     SELECT THE ECU     ");
    }

private:
    link::VirtualClock m_clock;
    link::VirtualClock m_tick;
    sim::Box m_box;
    sim::InMemoryPort m_port;
    ui::TForm1 m_form;
    ui::TesterController m_controller;
    QString m_outDir;
};

QString freshDataDir(QTemporaryDir& dir) {
    const auto report = session::installDataFiles(
        session::shippedDataDirectories(QCoreApplication::applicationDirPath().toStdString()),
        dir.path().toStdString());
    for (const std::string& missing : report.missing)
        std::cerr << "ui_screenshots: no shipped " << missing << '\n';
    return dir.path();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        Photographer::fail("usage: ui_screenshots OUTPUT_DIR");
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    {
        QTemporaryDir dir;
        Photographer car("petrol-car", freshDataDir(dir), out);
        car.connect("PG1", 5, true);  // "FOCUS  1.6i": the page with load and barometer
        car.press("pcm");
        car.until([&] { return usable(car.button("live")); }, "no module menu");
        car.shoot("module-menu");
        car.press("live");
        car.until(
            [&] {
                return ui::test::named<widgets::TSevenSegment>(car.form(), "rpmd")->value() != "0";
            },
            "no live data");
        car.shoot("petrol-live-data");
        car.press("BACK");
        car.expectLine(1, " CONNECT KESTRON 7340 TO");
        car.press("OK");
        car.expectLine(1, "     SELECT THE ECU     ");
        car.press("pcm");
        car.press("rdtc");
        car.until(
            [&] {
                auto* grid = ui::test::named<QTableWidget>(car.form(), "dtc_table");
                return !grid->item(3, 0)->text().isEmpty();
            },
            "no trouble codes");
        car.shoot("trouble-codes");
    }
    {
        QTemporaryDir dir;
        Photographer van("diesel-van", freshDataDir(dir), out);
        van.connect("DG1", 4, false);  // "FOCUS 1.8 TDCI": every diesel gauge, injector unit
        van.press("pcm");
        van.press("live");
        van.until(
            [&] {
                return ui::test::named<widgets::TSevenSegment>(van.form(), "frpd")->value() != "0";
            },
            "no diesel live data");
        van.shoot("diesel-live-data");
        van.press("BACK");
        van.expectLine(1, " CONNECT KESTRON 7340 TO");
        van.press("OK");
        van.expectLine(1, "     SELECT THE ECU     ");
        van.press("ICU");
        van.press("read_inj");
        van.press("prog_inj");
        van.expectLine(2, " OFF  AND CLICK OK      ");
        van.press("OK");
        van.expectLine(2, " ON AND CLICK OK        ");
        van.press("OK");
        van.expectLine(1, " SELECT INJECTOR AND    ");
        click(van.form().findChild<QWidget*>("Panel2"));
        van.until([&] { return !van.form().findChild<QWidget*>("e2")->isHidden(); },
                  "panel 2 never chosen");
        van.shoot("injectors");
    }
    {
        // The connection doctor: an adapter on COM1 only, and a box that does not answer.
        QTemporaryDir dir;
        sim::Scenario silent = sim::vehicleScenario("petrol-car");
        silent.faults.push_back(sim::Fault::silentBox());
        link::PortInfo adapter;
        adapter.device = "/dev/ttyUSB0";
        adapter.comIndex = 0;
        adapter.kind = link::PortKind::UsbSerial;
        adapter.vendor = "FTDI";
        adapter.product = "FT232R USB UART";
        adapter.serialNumber = "A10K3VQ1";
        adapter.driver = "ftdi_sio";
        ui::TesterController::Diagnostics diagnostics;
        diagnostics.portLister = [adapter] { return std::vector<link::PortInfo>{adapter}; };
        Photographer car(silent, freshDataDir(dir), out, diagnostics);
        car.expectLine(1, " SELECT COM AND LANGUAGE");
        car.until([&] { return !car.form().findChild<QWidget*>("RGCom_1")->isEnabled(); },
                  "the port list was never greyed");
        car.shootHint("port-list", car.form().findChild<QWidget*>("RGCom_0"));
        clickItem(car.form(), "RGCom", 0);
        car.press("OK");
        car.expectLine(1, "  SELECT THE CAR TYPE   ");
        clickItem(car.form(), "PG1", 1);
        car.press("OK");
        car.expectLine(1, " CONNECT KESTRON 7340 TO");
        car.press("OK");
        car.expectLine(1, "   CONNECTION FAILED    ");
        QWidget* display = car.form().findChild<QWidget*>("d2");
        car.until([&] { return !display->toolTip().isEmpty(); }, "no diagnosis hint");
        car.shootHint("doctor-hint", display);
        car.press("OK");
        car.expectLine(1, " THE BOX IS SILENT      ");
        car.shoot("doctor-screen");
    }
    {
        // The chart: six values of the diesel page clicked onto it, then a recording of them
        // played back.
        QTemporaryDir dir;
        Photographer van("diesel-van", freshDataDir(dir), out, true);
        van.connect("DG1", 4, false);
        van.press("pcm");
        van.press("live");
        ui::TrendController& trend = van.controller().trend();
        van.until([&] { return trend.chartModel().now() > 0; }, "no diesel live data");
        for (const char* panel : {"rpmp", "frpp", "iatp", "chtp", "batp", "egrdp"})
            click(van.form().findChild<QWidget*>("Frame71")->findChild<QWidget*>(panel));
        const std::int64_t clicked = trend.chartModel().now();
        van.until([&] { return trend.chartModel().now() > clicked + 40000; }, "no chart");
        van.shoot("diesel-chart");

        van.press("recordLive");
        // A minute of the van's values on the road: about 175 cycles of the page.
        const QDir recordings(dir.path() + "/recordings");
        auto rows = [&] {
            const QStringList files = recordings.entryList({"*.csv"}, QDir::Files);
            if (files.isEmpty())
                return qsizetype{0};
            QFile recording(recordings.filePath(files.front()));
            recording.open(QIODevice::ReadOnly);
            return recording.readAll().count('\n');
        };
        van.until([&] { return rows() > 175; }, "no recording");
        van.press("recordLive");
        const QString file =
            recordings.filePath(recordings.entryList({"*.csv"}, QDir::Files).front());
        van.press("BACK");
        van.expectLine(1, " CONNECT KESTRON 7340 TO");
        trend.askRecordingFile = [file] { return file; };
        van.press("openRecording");
        van.until([&] { return trend.replaying(); }, "no replay of " + file.toStdString());
        trend.replay()->seek(45000);
        van.press("replayStep");
        van.shoot("replay");
        van.press("replayClose");
    }
    return 0;
}
