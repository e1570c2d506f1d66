#include "session/view_log.h"

#include <iterator>

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

void ViewLog::call(ViewCall c) {
    // The verb of each kind of call, in the order of ViewCall::Kind.
    static constexpr std::string_view kVerbs[] = {
        "line",  "colour", "frame", "panel",   "colour", "enabled",  "visible", "down",
        "gauge", "edit",   "row",   "caption", "hint",   "selected", ""};
    static_assert(std::size(kVerbs) == static_cast<std::size_t>(ViewCall::Kind::Repaint) + 1);
    if (c.kind != ViewCall::Kind::Repaint) {
        const std::string target = c.target();
        const std::string value = c.value();
        write(kVerbs[static_cast<std::size_t>(c.kind)],
              target.empty() && c.kind == ViewCall::Kind::Frame ? "-" : target,
              c.carriesText() ? quoted(value) : value);
    }
    c.applyTo(m_inner);
}

}  // namespace tvx::session
