#pragma once

#include <QString>

namespace tvx::ui {

// The records dialog in the window's dark casing colours; the report preview stays paper white
// and the keyboard focus shows as the display's green.
QString recordsStyleSheet();

}  // namespace tvx::ui
