#include "trend/reading.h"

#include <limits>

namespace tvx::trend {

Reading readingOf(const session::LiveReading& event, std::uint32_t cycle) {
    Reading reading;
    reading.timeMs = event.timeMs;
    reading.gauge = event.gauge;
    reading.failed = event.failed;
    if (!event.failed) {
        reading.text = event.text;
        reading.value = event.value;
    } else {
        reading.value = std::numeric_limits<double>::quiet_NaN();
    }
    reading.cycle = cycle;
    return reading;
}

}  // namespace tvx::trend
