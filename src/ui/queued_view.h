#pragma once

#include <QObject>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "session/view_call.h"

namespace tvx::ui {

// Carries the session's view calls from its worker thread to the thread this object lives
// on (the GUI thread) and applies them there to a target view, in order.
//
// Every call sets one attribute of one control, so a call that sets an attribute already
// waiting to be applied replaces the waiting one: a session that polls faster than the
// window paints never floods the event queue (at most one waiting call per attribute). The
// replacement goes to the back of the queue, not into the old call's place, because the
// order of the calls matters beyond each attribute's value: showing a frame also raises it,
// so frame A, frame B, frame A again must end with A on top. Applying the last call of each
// attribute in the order those last calls were made leaves the window as the whole
// sequence would. Calls never block the worker.
class QueuedView final : public QObject, public session::CallView {
    Q_OBJECT

public:
    explicit QueuedView(session::SessionView& target, QObject* parent = nullptr);

    // Applies every waiting call now (on this object's thread).
    void flush();
    // Calls waiting to be applied.
    std::size_t pending() const;

private:
    using Call = session::ViewCall;
    // Repaint is not queued: the GUI thread is never blocked, so it paints on its own.
    void call(Call c) override;

    session::SessionView& m_target;
    mutable std::mutex m_mutex;
    std::list<Call> m_calls;  // in the order each attribute was last set
    std::unordered_map<std::string, std::list<Call>::iterator> m_waiting;  // attribute key
    bool m_flushPosted = false;
};

}  // namespace tvx::ui
