#pragma once

#include <string>

#include "link/open_error.h"

namespace tvx::session {

// What the mechanic can do about a serial port that did not open, in the language given
// ('1' English, '2' Turkish), with the system's own words in brackets; empty when the port
// opened. The window shows it as the hint of the port list, the command-line tester after
// its message.
std::string portOpenHint(const link::OpenError& error, char languageCode);

}  // namespace tvx::session
