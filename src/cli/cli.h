#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
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
    // Held true while the run ends itself cleanly on `interrupted` (the live-data loop, so
    // the CSV stays whole); at any other time Ctrl-C should end the program at once.
    std::atomic<bool>* handlesInterrupt = nullptr;
    // Where the shipped catalogues and start picture are, to install into a data directory
    // that lacks them (session::shippedDataDirectories); empty = install nothing.
    std::vector<std::filesystem::path> shippedData;
    // How long the end of a box command waits at most for the shared history's last push
    // (what is not on the server by then waits in the record for the next sync).
    std::chrono::milliseconds syncExitWait{3000};
};

// Runs one command line (without the program name) and returns the exit code.
int run(const std::vector<std::string>& args, Console& console, const Environment& environment);

}  // namespace tvx::cli
