#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "link/clock.h"
#include "ui/radio_group.h"
#include "ui/tform1.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::ui::test {

// Lets the GUI thread run until the condition holds; false when it never did. The limit
// only keeps a broken build from hanging: nothing is measured.
inline bool waitFor(const std::function<bool()>& condition, int limitMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Virtual time that the test can stop at the session's next pause: hold() makes the next
// sleepMs wait until release(), so a screen shown just before a pause can be looked at.
class HoldableClock final : public link::Clock {
public:
    void sleepMs(unsigned ms) override {
        std::unique_lock lock(m_mutex);
        if (m_hold) {
            m_held = true;
            m_wake.wait(lock, [this] { return !m_hold; });
            m_held = false;
        }
        m_now += ms;
    }
    std::uint64_t nowMs() const override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void hold() {
        std::lock_guard lock(m_mutex);
        m_hold = true;
    }
    void release() {
        {
            std::lock_guard lock(m_mutex);
            m_hold = false;
        }
        m_wake.notify_all();
    }
    bool held() const {
        std::lock_guard lock(m_mutex);
        return m_held;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::uint64_t m_now = 0;
    bool m_hold = false;
    bool m_held = false;
};

inline QString lineText(const TForm1& form, int line) {
    return form.displayLine(line)->value();
}

template <typename T>
T* named(const TForm1& form, const QString& name) {
    return form.findChild<T*>(name);
}

// A real mouse click on a push button or panel.
inline void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// A real mouse click on a list item's round indicator.
inline void clickItem(const TForm1& form, const QString& list, int index) {
    QRadioButton* item = form.list(list)->item(index);
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
}

inline bool usable(const QWidget* widget) {
    return widget && widget->isEnabled() && !widget->isHidden();
}

}  // namespace tvx::ui::test
