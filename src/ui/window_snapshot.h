#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

namespace tvx::ui {

// What the window shows of the session: which controls are shown and usable, the texts of
// the display lines and gauges, the display's colour and the title. A replay takes the
// window over; this puts it back as the session left it.
class WindowSnapshot {
public:
    // Every named control of `window` except those below any of `leaveOut`.
    void take(QWidget& window, const std::vector<QWidget*>& leaveOut);
    void restore();
    bool empty() const { return m_controls.empty(); }

private:
    struct Control {
        QPointer<QWidget> widget;
        bool hidden = false;
        bool enabled = true;
        QString value;  // a gauge's or a dot-matrix line's text
        QColor lit;     // a display line's colour
    };
    QPointer<QWidget> m_window;
    QString m_title;
    std::vector<Control> m_controls;
};

}  // namespace tvx::ui
