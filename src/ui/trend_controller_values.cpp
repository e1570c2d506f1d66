// The chart bar's menu of values: every value of the page shown, ticked when charted; a
// choice puts it on the chart or takes it off, as a click on its gauge does. In Chart-only
// mode, where no gauge shows, it is the way to choose.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "ui/trend_area.h"
#include "ui/trend_controller.h"

namespace tvx::ui {

void TrendController::connectValues() {
    connect(m_area.values->menu(), &QMenu::aboutToShow, this, &TrendController::fillValuesMenu);
}

void TrendController::fillValuesMenu() {
    QMenu* menu = m_area.values->menu();
    menu->clear();
    const session::LivePage* page = pageShown();
    if (page == nullptr)
        return;
    for (const session::Gauge gauge : trend::pageGauges(*page)) {
        const std::string_view control = session::gaugeName(gauge);
        const QString name =
            QString::fromUtf8(control.data(), static_cast<qsizetype>(control.size()));
        QString caption = m_marks.face(gauge).caption.trimmed();
        QAction* action = menu->addAction(caption.isEmpty() ? name : caption);
        action->setObjectName(name);
        action->setCheckable(true);
        action->setChecked(m_chart.charted(gauge));
        connect(action, &QAction::triggered, this, [this, gauge] { toggleGauge(gauge); });
    }
}

}  // namespace tvx::ui
