#include "ui/queued_view.h"

namespace tvx::ui {
namespace {

// The attribute a call sets: a letter for the kind of call (in the order of ViewCall::Kind)
// and its target. Showing a panel and showing a control set the same attribute of a
// control; one frame of the work area is shown at a time and one button of the group is
// down, so for those the last call wins whatever it names.
std::string attributeKey(const session::ViewCall& c) {
    using Kind = session::ViewCall::Kind;
    static constexpr std::string_view kLetters = "LCFVPEVDGTRchS";
    static_assert(kLetters.size() == static_cast<std::size_t>(Kind::Repaint));
    std::string key(1, kLetters[static_cast<std::size_t>(c.kind)]);
    if (c.kind != Kind::Frame && c.kind != Kind::ButtonDown) {
        key += c.target();
    }
    return key;
}

}  // namespace

QueuedView::QueuedView(session::SessionView& target, QObject* parent)
    : QObject(parent), m_target(target) {}

void QueuedView::call(Call c) {
    if (c.kind == Call::Kind::Repaint)
        return;
    std::string key = attributeKey(c);
    std::lock_guard lock(m_mutex);
    if (auto it = m_waiting.find(key); it != m_waiting.end()) {
        m_calls.splice(m_calls.end(), m_calls, it->second);  // now the latest call
        *it->second = std::move(c);
    } else {
        m_calls.push_back(std::move(c));
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
        call.applyTo(m_target);
}

std::size_t QueuedView::pending() const {
    std::lock_guard lock(m_mutex);
    return m_calls.size();
}

}  // namespace tvx::ui
