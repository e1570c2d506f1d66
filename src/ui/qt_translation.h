#pragma once

#include <QString>

namespace tvx::ui {

// Qt's own texts (file dialogs, message box buttons) in the window's language, from Qt's
// translations where the system has them: Qt's translations folder (Debian package
// qt6-translations-l10n), else a "translations" folder beside the program. English needs
// none. False when Turkish is asked for and no translation is found: Qt's texts stay English.
bool useQtTranslation(char languageCode);

// Where Qt's Turkish translation was found; empty when nowhere.
QString qtTurkishTranslation();

}  // namespace tvx::ui
