#include "session/view_log.h"

namespace tvx::session {
namespace {

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char c : text)
        out += (c == '\n' || c == '\r') ? ' ' : c;
    out += '"';
    return out;
}

}  // namespace

bool ViewLog::open(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_out.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    return m_out.good();
}

void ViewLog::write(std::string_view verb, std::string_view name, std::string_view value) {
    std::lock_guard lock(m_mutex);
    if (!m_out.is_open())
        return;
    m_out << m_clock.nowMs() << ' ' << verb << ' ' << name;
    if (!value.empty())
        m_out << ' ' << value;
    m_out << '\n' << std::flush;
}

void ViewLog::setLine(int line, const std::string& text) {
    write("line", std::to_string(line), quoted(text));
    m_inner.setLine(line, text);
}
void ViewLog::setDisplayColour(std::uint32_t colour) {
    write("colour", "display", std::to_string(colour));
    m_inner.setDisplayColour(colour);
}
void ViewLog::showOnlyFrame(std::string_view frame) {
    write("frame", frame.empty() ? "-" : frame, {});
    m_inner.showOnlyFrame(frame);
}
void ViewLog::setPanelVisible(std::string_view name, bool visible) {
    write("panel", name, visible ? "1" : "0");
    m_inner.setPanelVisible(name, visible);
}
void ViewLog::setPanelColour(std::string_view name, std::uint32_t colour) {
    write("colour", name, std::to_string(colour));
    m_inner.setPanelColour(name, colour);
}
void ViewLog::setControlEnabled(std::string_view name, bool enabled) {
    write("enabled", name, enabled ? "1" : "0");
    m_inner.setControlEnabled(name, enabled);
}
void ViewLog::setControlVisible(std::string_view name, bool visible) {
    write("visible", name, visible ? "1" : "0");
    m_inner.setControlVisible(name, visible);
}
void ViewLog::setButtonDown(std::string_view name) {
    write("down", name, {});
    m_inner.setButtonDown(name);
}
void ViewLog::setGauge(std::string_view name, const std::string& text) {
    write("gauge", name, quoted(text));
    m_inner.setGauge(name, text);
}
void ViewLog::setEditText(std::string_view name, const std::string& text) {
    write("edit", name, quoted(text));
    m_inner.setEditText(name, text);
}
void ViewLog::setGridRow(int row, const std::string& text) {
    write("row", std::to_string(row), quoted(text));
    m_inner.setGridRow(row, text);
}
void ViewLog::setCaption(std::string_view name, const std::string& text) {
    write("caption", name, quoted(text));
    m_inner.setCaption(name, text);
}
void ViewLog::setHint(std::string_view name, const std::string& text) {
    write("hint", name, quoted(text));
    m_inner.setHint(name, text);
}
void ViewLog::setListSelection(std::string_view name, int index) {
    write("selected", name, std::to_string(index));
    m_inner.setListSelection(name, index);
}
void ViewLog::repaint() {
    m_inner.repaint();
}

}  // namespace tvx::session
