#pragma once

#include <istream>
#include <ostream>
#include <string_view>

namespace tvx::cli {

// The terminal of one run: results to `out`, progress and questions to `err`, answers
// from `in`.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool outIsTerminal = false;  // redraw the live table in place

    // Asks on err; true only for an answer starting with y or Y (also the Turkish e/E,
    // "evet"). End of input counts as no.
    bool confirm(std::string_view question);
    // Shows the prompt on err and waits for Enter; false at end of input.
    bool waitForEnter(std::string_view prompt);
    // A progress line on err, flushed at once.
    void progress(std::string_view text);
};

}  // namespace tvx::cli
