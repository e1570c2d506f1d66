// tarvolinex-cli: the tester's scan, trouble codes, live data and injector codes from the
// command line. The commands live in src/cli; this file wires them to the terminal.

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define TVX_ISATTY _isatty
#define TVX_STDOUT_FD 1
#else
#include <unistd.h>
#define TVX_ISATTY isatty
#define TVX_STDOUT_FD STDOUT_FILENO
#endif

#include "cli/cli.h"
#include "datadir/data_install.h"

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_handlesInterrupt{false};

// A live-data run stops after the cycle in progress, so the CSV stays whole; anywhere else
// Ctrl-C ends the program as usual.
extern "C" void onInterrupt(int signalNumber) {
    if (g_handlesInterrupt) {
        g_interrupted = true;
        return;
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool redrawable = tvx::cli::prepareSystemConsole();
    tvx::cli::Console console{std::cin, std::cout, std::cerr,
                              redrawable && TVX_ISATTY(TVX_STDOUT_FD) != 0};
    tvx::cli::Environment environment;
    environment.interrupted = &g_interrupted;
    environment.handlesInterrupt = &g_handlesInterrupt;
    environment.shippedData =
        tvx::session::shippedDataDirectories(tvx::session::programDirectory(argv[0]));
    return tvx::cli::run(args, console, environment);
}
