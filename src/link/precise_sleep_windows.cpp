#include <windows.h>

#include "precise_sleep.h"

// Windows 10 1803 and later; older MinGW headers lack the name.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace tvx::link {
namespace {

// One high-resolution waitable timer per thread, closed with the thread; nullptr where the
// system has none.
class ThreadTimer {
public:
    ThreadTimer()
        : m_handle(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS)) {}
    ~ThreadTimer() {
        if (m_handle != nullptr) {
            CloseHandle(m_handle);
        }
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;
    HANDLE handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

void sleepPreciselyMs(unsigned ms) {
    if (ms == 0) {
        return;
    }
    thread_local ThreadTimer timer;
    if (timer.handle() != nullptr) {
        LARGE_INTEGER due{};
        due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns units
        if (SetWaitableTimer(timer.handle(), &due, 0, nullptr, nullptr, FALSE) != 0 &&
            WaitForSingleObject(timer.handle(), INFINITE) == WAIT_OBJECT_0) {
            return;
        }
    }
    // Older systems: a 1 ms system timer for the length of the pause.
    timeBeginPeriod(1);
    Sleep(ms);
    timeEndPeriod(1);
}

}  // namespace tvx::link
