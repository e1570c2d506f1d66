#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/clock.h"
#include "session/session_view.h"

namespace tvx::session {

// One screen of the display as the operator saw it.
struct ScreenShot {
    std::uint64_t timeMs = 0;  // on the session's clock
    std::uint32_t colour = 0;  // the lines' on-colour, 0x00BBGGRR
    std::array<std::string, 4> lines;
};

// Passes every view call on to the view it wraps and keeps the last screens of the display
// for a support file. A screen is taken when the session is done writing it: at the next
// call that is not a display line or colour (a repaint, a button, a frame). Thread-safe for
// one writer (the session) and any number of readers (screens()).
class ScreenHistory final : public SessionView {
public:
    static constexpr std::size_t kScreensKept = 32;

    ScreenHistory(SessionView& inner, const link::Clock& clock) : m_inner(inner), m_clock(clock) {}

    // The screens kept, oldest first, with the one on the display now last.
    std::vector<ScreenShot> screens() const;

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
    void settle();  // the display is written: keep it when it changed

    SessionView& m_inner;
    const link::Clock& m_clock;
    mutable std::mutex m_mutex;
    ScreenShot m_current;
    bool m_dirty = false;
    std::deque<ScreenShot> m_kept;
};

}  // namespace tvx::session
