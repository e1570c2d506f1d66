#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tvx {

// Wall-clock milliseconds as local time in a strftime format (at most 31 characters out).
// Header-only: the record, the runs kept of each injector (also in a build without the
// record) and the live recordings' file names all show times in this form.
inline std::string formatLocalTime(std::int64_t ms, const char* format) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace tvx
