#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "doctor/latency_advice.h"
#include "session/session_events.h"

namespace tvx::link {
class SerialPort;
}

namespace tvx::ui {

class TForm1;

// What the window tells at length in its note below the bars:
//  - after a failed start, the doctor's diagnosis (the display's hint, which the session sets
//    and clears), with the word that OK shows it on the display: the display's own screens
//    are fixed and have no room for that;
//  - once the port is open, the adapter's latency warning with its fix, as the CLI doctor
//    gives it.
class WindowNotes final : public QObject, public session::SessionEvents {
    Q_OBJECT

public:
    // `language`: '1' English, '2' Turkish, as the window shows now.
    WindowNotes(TForm1& form, link::SerialPort& port, std::function<char()> language);

    // On the session's worker thread, which owns the port.
    void portOpened(const session::PortOpening& opening) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void show();

    TForm1& m_form;
    link::SerialPort& m_port;
    std::function<char()> m_language;
    QWidget* m_display = nullptr;  // the display's first line, whose hint is the diagnosis
    std::optional<session::LatencyAdvice> m_latency;
};

// The line under the diagnosis in the note, in the language.
QString okShowsDiagnosis(char languageCode);

}  // namespace tvx::ui
