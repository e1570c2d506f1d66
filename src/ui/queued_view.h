#pragma once

#include <QObject>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "session/session_view.h"

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
class QueuedView final : public QObject, public session::SessionView {
    Q_OBJECT

public:
    explicit QueuedView(session::SessionView& target, QObject* parent = nullptr);

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
    // Nothing to do: the GUI thread is never blocked, so it paints on its own.
    void repaint() override {}

    // Applies every waiting call now (on this object's thread).
    void flush();
    // Calls waiting to be applied.
    std::size_t pending() const;

private:
    using Call = std::function<void(session::SessionView&)>;
    void enqueue(std::string key, Call call);

    session::SessionView& m_target;
    mutable std::mutex m_mutex;
    std::list<Call> m_calls;  // in the order each attribute was last set
    std::unordered_map<std::string, std::list<Call>::iterator> m_waiting;  // attribute key
    bool m_flushPosted = false;
};

}  // namespace tvx::ui
