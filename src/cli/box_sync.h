#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "cli/console.h"

namespace tvx::cli {

// The shared history's own thread beside a box command, as the window runs it: what the
// command records leaves the PC while it works. At the end the thread gets a short chance
// to push what waits; what still waits is said on stderr. However the server fails, the
// end of the command waits no longer than `exitWait`. Does nothing where the shared history
// is off or this build keeps none.
class BoxSync {
public:
    BoxSync(std::filesystem::path dataDirectory, char languageCode, Console& console,
            std::chrono::milliseconds exitWait);
    ~BoxSync();  // finish()
    BoxSync(const BoxSync&) = delete;
    BoxSync& operator=(const BoxSync&) = delete;

    // Starts the thread; after the record is open (the first open creates it).
    void start();
    // The last push, bounded, and what waits. Once.
    void finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace tvx::cli
