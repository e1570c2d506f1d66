#include "widgets/color_code.h"

#include <QGuiApplication>
#include <QPalette>

namespace tvx::widgets {

namespace {

// The Windows system colour indices the tester's forms use, and the palette role that
// plays the same part here.
QColor systemColor(std::uint32_t index) {
    struct Entry {
        std::uint32_t index;
        QPalette::ColorRole role;
    };
    static constexpr Entry kRoles[] = {
        {5, QPalette::Base},         // window background
        {6, QPalette::WindowText},   // window frame
        {8, QPalette::WindowText},   // window text
        {15, QPalette::Button},      // button face
        {18, QPalette::ButtonText},  // button text
    };
    for (const Entry& entry : kRoles) {
        if (entry.index == index) {
            return QGuiApplication::palette().color(QPalette::Active, entry.role);
        }
    }
    return QColor(0, 0, 0);
}

}  // namespace

QColor colorFromCode(std::uint32_t code) {
    if ((code >> 24) == 0xFFU) {
        return systemColor(code & 0xFFU);
    }
    return QColor(static_cast<int>(code & 0xFFU), static_cast<int>((code >> 8) & 0xFFU),
                  static_cast<int>((code >> 16) & 0xFFU));
}

std::uint32_t codeFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

}  // namespace tvx::widgets
