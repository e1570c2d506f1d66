#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "cli/console.h"
#include "link/clock.h"

namespace tvx::cli {

// What a run of the command-line tester needs from its surroundings.
struct Environment {
    // Every pause of the session and the link; nullptr = wall-clock time.
    link::Clock* clock = nullptr;
    // Set (by Ctrl-C) to end a live-data run after the cycle in progress.
    const std::atomic<bool>* interrupted = nullptr;
};

// Runs one command line (without the program name) and returns the exit code.
int run(const std::vector<std::string>& args, Console& console, const Environment& environment);

}  // namespace tvx::cli
