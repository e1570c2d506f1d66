#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "session/session_view.h"

class QWidget;

namespace tvx::ui {

class TForm1;

// Applies what the session shows to the window's controls, found by their form names.
// GUI thread only (QueuedView brings the calls there).
//
// The controls are indexed by name once, when the view is made (the form is built by
// then), so no call searches the widget tree. A name that several frames share (`rpmd`,
// `dtcd`, `mapd`, the panels `rpmp`, `dtcp`, ...) addresses every control of that name:
// each frame keeps the last value the session gave for that name, so what the window shows
// never depends on the order in which queued calls arrive. A name no control carries is a
// programming error: it is reported once on stderr and otherwise ignored.
class FormView final : public session::SessionView {
public:
    explicit FormView(TForm1& form);

    void setLine(int line, const std::string& text) override;
    void setDisplayColour(std::uint32_t colour) override;
    void showOnlyFrame(std::string_view frame) override;
    void setPanelVisible(std::string_view name, bool visible) override;
    void setPanelColour(std::string_view name, std::uint32_t colour) override;
    void setControlEnabled(std::string_view name, bool enabled) override;
    void setControlVisible(std::string_view name, bool visible) override;
    void setButtonDown(std::string_view name) override;
    void setGauge(std::string_view name, const std::string& text) override;
    void setEditText(std::string_view name, const std::string& text) override;
    void setGridRow(int row, const std::string& text) override;
    void setCaption(std::string_view name, const std::string& text) override;
    void setHint(std::string_view name, const std::string& text) override;
    void setListSelection(std::string_view name, int index) override;
    void repaint() override {}

    // Whether some control of the window carries the name.
    bool knows(std::string_view name) const;

private:
    const QList<QWidget*>& controls(std::string_view name) const;

    TForm1& m_form;
    QHash<QString, QList<QWidget*>> m_controls;
    QList<QWidget*> m_frames;                 // the work-area frames
    mutable QHash<QString, bool> m_reported;  // unknown names already reported
};

}  // namespace tvx::ui
