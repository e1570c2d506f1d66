#pragma once

#include <functional>
#include <string>

namespace tvx::ui {

// Reads an environment variable; empty when it is not set.
using EnvironmentLookup = std::function<std::string(const char* name)>;

// Whether a window can be shown at all: an X or Wayland display, or a Qt platform chosen
// explicitly (offscreen, vnc, ...). Checked before Qt starts, which would abort otherwise.
bool haveDisplay(const EnvironmentLookup& environment);
bool haveDisplay();

}  // namespace tvx::ui
