#pragma once

#include "session/session_view.h"

namespace tvx::session {

// A view that shows nothing: for a session whose outcomes are taken from its events (the
// command-line tester). Keeps no state, so a session of any length costs no memory here.
class NullView final : public SessionView {
public:
    void setLine(int, const std::string&) override {}
    void setDisplayColour(std::uint32_t) override {}
    void showOnlyFrame(std::string_view) override {}
    void setPanelVisible(std::string_view, bool) override {}
    void setPanelColour(std::string_view, std::uint32_t) override {}
    void setControlEnabled(std::string_view, bool) override {}
    void setControlVisible(std::string_view, bool) override {}
    void setButtonDown(std::string_view) override {}
    void setGauge(std::string_view, const std::string&) override {}
    void setEditText(std::string_view, const std::string&) override {}
    void setGridRow(int, const std::string&) override {}
    void setCaption(std::string_view, const std::string&) override {}
    void setHint(std::string_view, const std::string&) override {}
    void setListSelection(std::string_view, int) override {}
    void repaint() override {}
};

}  // namespace tvx::session
