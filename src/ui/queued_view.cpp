#include "ui/queued_view.h"

namespace tvx::ui {
namespace {

std::string key(char kind, std::string_view name) {
    std::string k(1, kind);
    k += name;
    return k;
}

}  // namespace

QueuedView::QueuedView(session::SessionView& target, QObject* parent)
    : QObject(parent), m_target(target) {}

void QueuedView::enqueue(std::string key, Call call) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_waiting.find(key); it != m_waiting.end()) {
        m_calls.splice(m_calls.end(), m_calls, it->second);  // now the latest call
        *it->second = std::move(call);
    } else {
        m_calls.push_back(std::move(call));
        m_waiting.emplace(std::move(key), std::prev(m_calls.end()));
    }
    if (m_flushPosted)
        return;
    m_flushPosted = true;
    // Posted to this object: pending events die with it, so a late call cannot reach a
    // window that is gone. Posted under the lock, which flush() takes too: what posting
    // allocates is then ordered before its use on the GUI thread by a lock a thread
    // checker can see (Qt's own locks are not built for one).
    QMetaObject::invokeMethod(this, &QueuedView::flush, Qt::QueuedConnection);
}

void QueuedView::flush() {
    std::list<Call> calls;
    {
        std::lock_guard lock(m_mutex);
        calls.swap(m_calls);
        m_waiting.clear();
        m_flushPosted = false;
    }
    for (const Call& call : calls)
        call(m_target);
}

std::size_t QueuedView::pending() const {
    std::lock_guard lock(m_mutex);
    return m_calls.size();
}

void QueuedView::setLine(int line, const std::string& text) {
    enqueue(key('L', std::to_string(line)), [=](SessionView& v) { v.setLine(line, text); });
}

void QueuedView::setDisplayColour(std::uint32_t colour) {
    enqueue("C", [=](SessionView& v) { v.setDisplayColour(colour); });
}

// One frame of the work area is shown at a time: the last one asked for wins.
void QueuedView::showOnlyFrame(std::string_view frame) {
    enqueue("F", [f = std::string(frame)](SessionView& v) { v.showOnlyFrame(f); });
}

// Showing a panel and showing a control set the same attribute of a control.
void QueuedView::setPanelVisible(std::string_view name, bool visible) {
    enqueue(key('V', name),
            [n = std::string(name), visible](SessionView& v) { v.setPanelVisible(n, visible); });
}

void QueuedView::setControlVisible(std::string_view name, bool visible) {
    enqueue(key('V', name),
            [n = std::string(name), visible](SessionView& v) { v.setControlVisible(n, visible); });
}

void QueuedView::setPanelColour(std::string_view name, std::uint32_t colour) {
    enqueue(key('P', name),
            [n = std::string(name), colour](SessionView& v) { v.setPanelColour(n, colour); });
}

void QueuedView::setControlEnabled(std::string_view name, bool enabled) {
    enqueue(key('E', name),
            [n = std::string(name), enabled](SessionView& v) { v.setControlEnabled(n, enabled); });
}

// One button of the group is down: the last one pressed wins.
void QueuedView::setButtonDown(std::string_view name) {
    enqueue("D", [n = std::string(name)](SessionView& v) { v.setButtonDown(n); });
}

void QueuedView::setGauge(std::string_view name, const std::string& text) {
    enqueue(key('G', name), [n = std::string(name), text](SessionView& v) { v.setGauge(n, text); });
}

void QueuedView::setEditText(std::string_view name, const std::string& text) {
    enqueue(key('T', name),
            [n = std::string(name), text](SessionView& v) { v.setEditText(n, text); });
}

void QueuedView::setGridRow(int row, const std::string& text) {
    enqueue(key('R', std::to_string(row)), [=](SessionView& v) { v.setGridRow(row, text); });
}

void QueuedView::setCaption(std::string_view name, const std::string& text) {
    enqueue(key('c', name),
            [n = std::string(name), text](SessionView& v) { v.setCaption(n, text); });
}

void QueuedView::setHint(std::string_view name, const std::string& text) {
    enqueue(key('h', name), [n = std::string(name), text](SessionView& v) { v.setHint(n, text); });
}

void QueuedView::setListSelection(std::string_view name, int index) {
    enqueue(key('S', name),
            [n = std::string(name), index](SessionView& v) { v.setListSelection(n, index); });
}

}  // namespace tvx::ui
