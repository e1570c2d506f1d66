#pragma once

#include <cstdint>
#include <string>

namespace tvx::record {

// Wall-clock milliseconds as local time in a strftime format (at most 31 characters out).
std::string formatLocalTime(std::int64_t ms, const char* format);

}  // namespace tvx::record
