#pragma once

#include <QColor>
#include <QImage>
#include <string>

namespace tvx::widgets::probe {

// The three inks the tests paint with, far apart so a pixel tells which one it is.
inline const QColor kBackground(0, 0, 0);
inline const QColor kOn(255, 0, 0);
inline const QColor kOff(64, 64, 64);

// 'B' background, '1' lit, '0' unlit, '?' anything else (a stray colour).
inline char inkAt(const QImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
        return '?';
    }
    const QColor c = image.pixelColor(x, y);
    if (c == kBackground) {
        return 'B';
    }
    if (c == kOn) {
        return '1';
    }
    if (c == kOff) {
        return '0';
    }
    return '?';
}

}  // namespace tvx::widgets::probe
