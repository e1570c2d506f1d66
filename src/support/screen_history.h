#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/clock.h"
#include "session/view_call.h"

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
class ScreenHistory final : public CallView {
public:
    static constexpr std::size_t kScreensKept = 32;

    ScreenHistory(SessionView& inner, const link::Clock& clock) : m_inner(inner), m_clock(clock) {}

    // The screens kept, oldest first, with the one on the display now last.
    std::vector<ScreenShot> screens() const;

private:
    void call(ViewCall c) override;
    void settle();  // the display is written: keep it when it changed

    SessionView& m_inner;
    const link::Clock& m_clock;
    mutable std::mutex m_mutex;
    ScreenShot m_current;
    bool m_dirty = false;
    std::deque<ScreenShot> m_kept;
};

}  // namespace tvx::session
