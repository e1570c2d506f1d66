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

// Makes the system's console show what the tester writes: UTF-8 text (the Turkish
// catalogue) and the escape codes that redraw the live table. On Windows it switches the
// console to the UTF-8 code page and turns on virtual-terminal processing; elsewhere
// terminals do both already. False when the escape codes cannot be shown (an old Windows
// console): the live table is then printed row by row instead of redrawn.
bool prepareSystemConsole();

}  // namespace tvx::cli
