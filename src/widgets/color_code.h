#pragma once

#include <QColor>
#include <cstdint>

namespace tvx::widgets {

// Colours as the tester stores them: the Windows encoding 0x00BBGGRR (255 = red,
// 65280 = green, 4210752 = grey 64,64,64). Codes with the top byte 0xFF are system colours
// (window text, button face, ...) and follow the application palette.
QColor colorFromCode(std::uint32_t code);

// The 0x00BBGGRR code of an opaque colour (alpha is dropped).
std::uint32_t codeFromColor(const QColor& color);

}  // namespace tvx::widgets
