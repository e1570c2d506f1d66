#include "support/screen_history.h"

namespace tvx::session {

std::vector<ScreenShot> ScreenHistory::screens() const {
    std::lock_guard lock(m_mutex);
    std::vector<ScreenShot> shots(m_kept.begin(), m_kept.end());
    if (m_dirty) {
        shots.push_back(m_current);
    }
    return shots;
}

void ScreenHistory::settle() {
    std::lock_guard lock(m_mutex);
    if (!m_dirty) {
        return;
    }
    m_dirty = false;
    if (!m_kept.empty() && m_kept.back().lines == m_current.lines &&
        m_kept.back().colour == m_current.colour) {
        return;  // written again as it was
    }
    m_kept.push_back(m_current);
    if (m_kept.size() > kScreensKept) {
        m_kept.pop_front();
    }
}

void ScreenHistory::call(ViewCall c) {
    using Kind = ViewCall::Kind;
    const bool displayLine = c.kind == Kind::Line && c.number >= 1 && c.number <= 4;
    if (displayLine || c.kind == Kind::DisplayColour) {
        std::lock_guard lock(m_mutex);
        if (displayLine) {
            m_current.lines[static_cast<std::size_t>(c.number - 1)] = c.text;
        } else {
            m_current.colour = c.colour;
        }
        m_current.timeMs = m_clock.nowMs();
        m_dirty = true;
    } else if (c.kind != Kind::Line) {
        settle();
    }
    c.applyTo(m_inner);
}

}  // namespace tvx::session
