#include "ui/window_snapshot.h"

#include <algorithm>

#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::ui {
namespace {

bool below(const QWidget* widget, const std::vector<QWidget*>& roots) {
    return std::any_of(roots.begin(), roots.end(), [widget](const QWidget* root) {
        return root == widget || root->isAncestorOf(widget);
    });
}

bool isDisplayLine(const QWidget* widget) {
    const QString name = widget->objectName();
    return name.size() == 2 && name[0] == QLatin1Char('d') && name[1] >= QLatin1Char('1') &&
           name[1] <= QLatin1Char('4');
}

}  // namespace

void WindowSnapshot::take(QWidget& window, const std::vector<QWidget*>& leaveOut) {
    m_window = &window;
    m_title = window.windowTitle();
    m_controls.clear();
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || below(widget, leaveOut))
            continue;
        Control control{widget, widget->isHidden(), widget->isEnabled(), {}, {}};
        if (auto* segments = qobject_cast<widgets::TCustomSevenSegment*>(widget)) {
            control.value = segments->value();
        } else if (auto* dots = qobject_cast<widgets::TDotMatrix5x7*>(widget)) {
            control.value = dots->value();
            if (isDisplayLine(widget))
                control.lit = dots->onColor();
        }
        m_controls.push_back(control);
    }
}

void WindowSnapshot::restore() {
    for (const Control& control : m_controls) {
        QWidget* widget = control.widget;
        if (widget == nullptr)
            continue;
        widget->setHidden(control.hidden);
        widget->setEnabled(control.enabled);
        if (auto* segments = qobject_cast<widgets::TCustomSevenSegment*>(widget)) {
            segments->setValue(control.value);
        } else if (auto* dots = qobject_cast<widgets::TDotMatrix5x7*>(widget)) {
            dots->setValue(control.value);
            if (control.lit.isValid())
                dots->setOnColor(control.lit);
        }
    }
    if (m_window != nullptr)
        m_window->setWindowTitle(m_title);
    m_controls.clear();
}

}  // namespace tvx::ui
