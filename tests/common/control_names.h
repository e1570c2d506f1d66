#pragma once

#include <string_view>
#include <vector>

namespace tvx::session {

// Every control name the session can address through its view: buttons, lists, frames,
// panels, gauges, edit boxes, labels with captions or hints. The window must carry each
// one; a name missing there is a programming error that a test catches.
std::vector<std::string_view> addressedControlNames();

}  // namespace tvx::session
