#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "session/session_view.h"

namespace tvx::session {

// Passes every view call on to the view it wraps and, when a log file is open, writes it
// there as one flushed line, so that support (or a script driving the program from outside)
// can follow what the operator saw:
//   <milliseconds> line 1 "  SELECT THE CAR TYPE   "
//   <milliseconds> enabled OK 1
//   <milliseconds> frame Frame31
// Texts are written as given (UTF-8) between double quotes; they never hold a line end.
class ViewLog final : public SessionView {
public:
    ViewLog(SessionView& inner, const link::Clock& clock) : m_inner(inner), m_clock(clock) {}

    // Starts writing to PATH (replacing it); false when it cannot be opened.
    bool open(const std::string& path);

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
    void repaint() override;

private:
    void write(std::string_view verb, std::string_view name, std::string_view value);

    SessionView& m_inner;
    const link::Clock& m_clock;
    std::mutex m_mutex;
    std::ofstream m_out;
};

}  // namespace tvx::session
