#pragma once

namespace tvx::link {

// Sleeps for `ms` milliseconds, give or take a millisecond. The link's 2 ms pause before
// each byte depends on it: Windows' default timer ticks every 15.6 ms, so a plain Sleep(2)
// or a timed wait lasts a whole tick there; this one does not.
void sleepPreciselyMs(unsigned ms);

}  // namespace tvx::link
