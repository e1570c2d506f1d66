#include "ui/window_notes.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "link/serial_port.h"
#include "ui/tform1.h"

namespace tvx::ui {

QString okShowsDiagnosis(char languageCode) {
    return languageCode == '2'
               ? QStringLiteral("OK tu\u015fu tan\u0131y\u0131 ekranda g\u00f6sterir.")
               : QStringLiteral("Press OK to see the diagnosis on the display.");
}

WindowNotes::WindowNotes(TForm1& form, link::SerialPort& port, std::function<char()> language)
    : m_form(form), m_port(port), m_language(std::move(language)) {
    m_display = form.findChild<QWidget*>(QStringLiteral("d1"));
    if (m_display != nullptr)
        m_display->installEventFilter(this);
}

void WindowNotes::portOpened(const session::PortOpening& opening) {
    if (!opening.opened)
        return;
    auto advice = session::latencyAdvice(m_port.latencyTimerMs(), m_port.deviceName());
    QMetaObject::invokeMethod(
        this,
        [this, advice = std::move(advice)] {
            m_latency = advice;
            show();
        },
        Qt::QueuedConnection);
}

bool WindowNotes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_display && event->type() == QEvent::ToolTipChange)
        show();
    return QObject::eventFilter(watched, event);
}

void WindowNotes::show() {
    const char language = m_language ? m_language() : '1';
    QStringList parts;
    if (m_display != nullptr && !m_display->toolTip().isEmpty())
        parts << m_display->toolTip() + QLatin1Char(' ') + okShowsDiagnosis(language);
    if (m_latency)
        parts << QString::fromStdString(m_latency->text(language));
    m_form.showNote(parts.join(QStringLiteral("\n")));
}

}  // namespace tvx::ui
