#pragma once

#include <string>

namespace tvx::link {

// The operating system as a support file names it: "Linux 6.1.0-18-amd64 x86_64",
// "Windows 10 Pro 22H2 (build 19045)". Never the computer's or the user's name.
std::string operatingSystemName();

}  // namespace tvx::link
