#pragma once

#include <QString>
#include <cstdint>

namespace tvx::ui {

// Colours in the tester's 0x00BBGGRR encoding.
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kLime = 0x00FF00;
inline constexpr std::uint32_t kYellow = 0x00FFFF;
inline constexpr std::uint32_t kAqua = 0xFFFF00;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kUnlit = 4210752;  // grey 64,64,64

// The style sheet that makes the window look like a hand-held tester: a dark casing,
// black display areas, rounded keys.
QString testerStyleSheet();

}  // namespace tvx::ui
