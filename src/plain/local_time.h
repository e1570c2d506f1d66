#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tvx {

// Wall-clock milliseconds in a strftime format (at most 31 characters out), as local time
// or as UTC. Header-only: the record, the runs kept of each injector (also in a build
// without the record), the live recordings' file names and the support file all show
// times in this form.
inline std::string formatTime(std::int64_t ms, const char* format, bool utc) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm broken{};
#ifdef _WIN32
    utc ? gmtime_s(&broken, &seconds) : localtime_s(&broken, &seconds);
#else
    utc ? gmtime_r(&seconds, &broken) : localtime_r(&seconds, &broken);
#endif
    char text[32];
    std::strftime(text, sizeof text, format, &broken);
    return text;
}

inline std::string formatLocalTime(std::int64_t ms, const char* format) {
    return formatTime(ms, format, false);
}

}  // namespace tvx
