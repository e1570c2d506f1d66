#pragma once

#include <span>
#include <string_view>

namespace tvx::session {

// A caption or a hint of one control in both languages (UTF-8).
struct ControlText {
    std::string_view control;
    std::string_view english;
    std::string_view turkish;
};

// Captions set when the start panel is acknowledged (buttons, lists, injector labels).
std::span<const ControlText> captions();
// The short caption above the gauge of every live-data panel, by panel name; a panel that
// the petrol and diesel pages share (rpmp, mapp, ...) carries one caption.
std::span<const ControlText> gaugeCaptions();
// Hints (tooltips) of the module buttons and of every gauge panel.
std::span<const ControlText> hints();
// The three captions set at start before the language is known: EXIT, Setting, HELP.
std::span<const ControlText> startCaptions();

inline std::string_view inLanguage(const ControlText& text, char languageCode) {
    return languageCode == '2' ? text.turkish : text.english;
}

}  // namespace tvx::session
