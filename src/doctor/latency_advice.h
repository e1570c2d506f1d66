#pragma once

#include <optional>
#include <string>

namespace tvx::session {

// A USB serial adapter passes received bytes on only when its latency timer runs out; above
// this every read of the box waits for it.
inline constexpr unsigned kLatencyTimerLimitMs = 2;

// What the doctor says about an adapter's latency timer, in both languages.
struct LatencyAdvice {
    std::string english;
    std::string turkish;
    const std::string& text(char languageCode) const {
        return languageCode == '2' ? turkish : english;
    }
};

// Where the fix is made: a Linux udev rule (or the sysfs file at once), Windows' Device Manager.
enum class AdapterSystem { Linux, Windows };
inline constexpr AdapterSystem kThisSystem =
#ifdef _WIN32
    AdapterSystem::Windows;
#else
    AdapterSystem::Linux;
#endif

// The warning for a timer of `timerMs` on the port `port` ("/dev/ttyUSB0", "COM3"), with the
// exact fix; nullopt when the timer is within the limit or unknown.
std::optional<LatencyAdvice> latencyAdvice(std::optional<unsigned> timerMs, const std::string& port,
                                           AdapterSystem system = kThisSystem);

// The udev rule the Linux package installs, as one line.
extern const char* const kLatencyUdevRule;

}  // namespace tvx::session
