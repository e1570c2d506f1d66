#pragma once

#include "session/session_view.h"

namespace tvx::ui {

class TForm1;

// Applies what the session shows to the window's controls, found by their form names.
// GUI thread only (QueuedView brings the calls there).
//
// A name that several frames share (`rpmd`, `dtcd`, `mapd`, the panels `rpmp`, `dtcp`,
// ...) addresses every control of that name: each frame keeps the last value the session
// gave for that name, so what the window shows never depends on the order in which queued
// calls arrive. A name no control carries is ignored.
class FormView final : public session::SessionView {
public:
    explicit FormView(TForm1& form) : m_form(form) {}

    void setLine(int line, const std::string& text) override;
    void setDisplayColour(std::uint32_t colour) override;
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

private:
    TForm1& m_form;
};

}  // namespace tvx::ui
