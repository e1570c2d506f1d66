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

void ScreenHistory::setLine(int line, const std::string& text) {
    if (line >= 1 && line <= 4) {
        std::lock_guard lock(m_mutex);
        m_current.lines[static_cast<std::size_t>(line - 1)] = text;
        m_current.timeMs = m_clock.nowMs();
        m_dirty = true;
    }
    m_inner.setLine(line, text);
}

void ScreenHistory::setDisplayColour(std::uint32_t colour) {
    {
        std::lock_guard lock(m_mutex);
        m_current.colour = colour;
        m_current.timeMs = m_clock.nowMs();
        m_dirty = true;
    }
    m_inner.setDisplayColour(colour);
}

void ScreenHistory::showOnlyFrame(std::string_view frame) {
    settle();
    m_inner.showOnlyFrame(frame);
}
void ScreenHistory::setPanelVisible(std::string_view name, bool visible) {
    settle();
    m_inner.setPanelVisible(name, visible);
}
void ScreenHistory::setPanelColour(std::string_view name, std::uint32_t colour) {
    settle();
    m_inner.setPanelColour(name, colour);
}
void ScreenHistory::setControlEnabled(std::string_view name, bool enabled) {
    settle();
    m_inner.setControlEnabled(name, enabled);
}
void ScreenHistory::setControlVisible(std::string_view name, bool visible) {
    settle();
    m_inner.setControlVisible(name, visible);
}
void ScreenHistory::setButtonDown(std::string_view name) {
    settle();
    m_inner.setButtonDown(name);
}
void ScreenHistory::setGauge(std::string_view name, const std::string& text) {
    settle();
    m_inner.setGauge(name, text);
}
void ScreenHistory::setEditText(std::string_view name, const std::string& text) {
    settle();
    m_inner.setEditText(name, text);
}
void ScreenHistory::setGridRow(int row, const std::string& text) {
    settle();
    m_inner.setGridRow(row, text);
}
void ScreenHistory::setCaption(std::string_view name, const std::string& text) {
    settle();
    m_inner.setCaption(name, text);
}
void ScreenHistory::setHint(std::string_view name, const std::string& text) {
    settle();
    m_inner.setHint(name, text);
}
void ScreenHistory::setListSelection(std::string_view name, int index) {
    settle();
    m_inner.setListSelection(name, index);
}
void ScreenHistory::repaint() {
    settle();
    m_inner.repaint();
}

}  // namespace tvx::session
