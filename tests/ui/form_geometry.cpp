// Prints where the window's named controls are, one per line ("name x y width height", in
// the window's logical pixels), for scripts that click them from outside with xdotool:
//   form_geometry                  the main window as it opens
//   form_geometry records DATADIR  the records dialog on the record in DATADIR
// A control inside a frame of the work area is listed once more, laid out, as FRAME/NAME:
// for a name listed twice, the last line counts. Run with the same platform plugin and fonts as the program it serves
// (under Wine: the Windows build, on the same display), so the layouts are the same. Not a test.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "ui/tform1.h"
#if TVX_HAVE_RECORD
#include "ui/records_dialog.h"
#endif

namespace {

// The named controls inside PART (all of TOP when none), where they are in TOP.
void printNamed(QWidget& top, QWidget* part = nullptr) {
    QWidget& inside = part ? *part : top;
    for (QWidget* widget : inside.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_"))
            continue;
        const QPoint at = widget->mapTo(&top, QPoint(0, 0));
        // Inside a frame, the frame's name goes first: the live pages share gauge names.
        const QString name = part && part->objectName().startsWith(QLatin1String("Frame"))
                                 ? part->objectName() + '/' + widget->objectName()
                                 : widget->objectName();
        std::printf("%s %d %d %d %d\n", qPrintable(name), at.x(), at.y(), widget->width(),
                    widget->height());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    std::unique_ptr<QWidget> shown;
    if (args.size() >= 3 && args[1] == QLatin1String("records")) {
#if TVX_HAVE_RECORD
        shown = std::make_unique<tvx::ui::RecordsDialog>(args[2].toStdString(), 'E');
#else
        std::fprintf(stderr, "form_geometry: this build keeps no workshop record\n");
        return 2;
#endif
    } else {
        shown = std::make_unique<tvx::ui::TForm1>(QString());
    }
    shown->show();
    // Once the window is laid out and shown, say where everything is and leave. The work
    // area's frames show one at a time and the chart only on demand: each is shown in turn
    // so that its layout is done.
    QTimer::singleShot(200, [&] {
        printNamed(*shown);
        if (auto* form = qobject_cast<tvx::ui::TForm1*>(shown.get())) {
            for (const QString& name : tvx::ui::TForm1::frameNames()) {
                for (const QString& other : tvx::ui::TForm1::frameNames())
                    form->findChild<QWidget*>(other)->setVisible(other == name);
                QApplication::processEvents();
                printNamed(*form, form->findChild<QWidget*>(name));
            }
            tvx::ui::TForm1::TrendLayout below;
            below.chartBelow = true;
            form->layOutTrend(below);
            QApplication::processEvents();
            printNamed(*form, form->findChild<QWidget*>(QStringLiteral("chartArea")));
        }
        app.quit();
    });
    return app.exec();
}
