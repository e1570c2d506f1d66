#pragma once

#include <QButtonGroup>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>

#include "ui/injector_frame.h"
#include "ui/trend_area.h"

namespace tvx::widgets {
class TDotMatrix5x7;
}

namespace tvx::ui {

class RadioGroup;

// The tester's main window. It only shows things and reports clicks: what a click means is
// the session's business. Every control carries its form name as objectName (`OK`, `pcm`,
// `d1`, `Frame61`, `rpmd`, `dtc_table`, `E1`, ...).
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // picturePath: the JPEG shown on the start panel.
    explicit TForm1(const QString& picturePath, QWidget* parent = nullptr);

    // Every control of that name (several frames hold gauges of the same name).
    QList<QWidget*> controlsNamed(const QString& name) const;
    QPushButton* button(const QString& name) const;
    RadioGroup* list(const QString& name) const;
    widgets::TDotMatrix5x7* displayLine(int line) const;  // 1..4, else nullptr
    const InjectorFrame& injectors() const { return m_injectors; }
    QButtonGroup& moduleButtons() { return m_modules; }

    // The live-data chart, recording and replay (trend_area.h), below the work area.
    const TrendArea& trendArea() const { return m_trend; }
    struct TrendLayout {
        bool replayBar = false;          // the replay's bar under the trend bar
        bool chartBelow = false;         // the chart below the bars, the gauges where they are
        bool chartOverWorkArea = false;  // the chart in the work area's place, which hides
    };
    // Places the chart's controls and sizes the window to hold them. The tester's own
    // controls keep their places whatever the layout.
    void layOutTrend(const TrendLayout& layout);
    // The height no layout exceeds at scale 1: a 1366x768 screen less its taskbar.
    static constexpr int kMostHeight = 740;
    // A note the mechanic should read (the doctor's diagnosis, the adapter's latency),
    // wrapped below the chart's bars; empty text hides it.
    void showNote(const QString& text);

    // The module speed buttons in column order, then the hidden `sahte`.
    static const QStringList& moduleButtonNames();
    // The work-area frames `Frame21`..`Frame131`.
    static const QStringList& frameNames();

    // Says in the window, without a dialog, that the workshop record is not kept (or what
    // became of a damaged record file); empty text hides it.
    void showRecordNotice(const QString& text);

signals:
    // The window is closing: whatever runs behind it must stop now.
    void closing();
    // The records button beside EXIT was clicked.
    void recordsWanted();
    // The settings screen's "Shared history" button was clicked.
    void syncSettingsWanted();

protected:
    // Enter presses OK and Escape presses BACK, when they are there to be pressed.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildModuleColumn();
    void buildKeypad();
    void buildDisplay();
    void buildWorkArea(const QString& picturePath);
    void buildRecordControls();
    void buildNote();
    QPushButton* addButton(const QString& name, const QString& caption, const QRect& place);
    bool pressIfUsable(QPushButton* key);

    QButtonGroup m_modules;
    std::array<widgets::TDotMatrix5x7*, 4> m_lines{};
    InjectorFrame m_injectors;
    TrendArea m_trend;
    QWidget* m_workArea = nullptr;
    QLabel* m_note = nullptr;
    TrendLayout m_layout;
};

}  // namespace tvx::ui
