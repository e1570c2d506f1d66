#pragma once

#include <QString>

#include "plain/bilingual.h"

namespace tvx::ui {

// A fixed text of the window in its language ('2' Turkish, else English).
inline QString qtext(const BilingualText& text, char languageCode) {
    return QString::fromUtf8(text.in(languageCode == '2'));
}

}  // namespace tvx::ui
