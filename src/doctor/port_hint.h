#pragma once

#include <string>

#include "link/open_error.h"

namespace tvx::session {

// What the mechanic can do about a serial port that did not open, in the language given
// ('1' English, '2' Turkish), with the system's own words in brackets; empty when the port
// opened. The window shows it as the hint of the port list, the command-line tester after
// its message.
// A busy port names its holder and a refused one its group, when the system told them.
std::string portOpenHint(const link::OpenError& error, char languageCode);

// Whether joining the group is sound advice for a serial port (not root's or wheel).
bool usableGroup(const std::string& group);

}  // namespace tvx::session
