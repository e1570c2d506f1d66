#pragma once

#include <functional>

namespace tvx::session {

// Asked between two requests of a long sequence; false ends the sequence there (the line
// was lost, the program is closing). An empty function always goes on.
using KeepGoing = std::function<bool()>;

inline bool goOn(const KeepGoing& keepGoing) {
    return !keepGoing || keepGoing();
}

}  // namespace tvx::session
