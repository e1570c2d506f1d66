#pragma once

#include <string>
#include <string_view>

namespace tvx::session {

// Text that came from the box (the VIN) as it may be shown: printable ASCII stays, every
// other byte (control characters, escape sequences, NUL, bytes above 126) becomes "\xNN",
// so nothing the box sends can steer a terminal or hide among the characters.
std::string printableText(std::string_view bytes);

}  // namespace tvx::session
