#pragma once
#include <QString>
#include <QStringList>

// The window program speaks Japanese (its texts as written in the code) or English (a
// translation built into the program). Qt's own texts (standard buttons, the file, colour,
// font and print dialogs) follow the same choice.
namespace wxh {

enum class Language { Japanese, English };

// English when the first of the user's UI languages is English; Japanese for Japanese, for
// the C and POSIX locales and for every other language.
Language ChooseLanguage(const QStringList& uiLanguages);

// The choice for QLocale::system().uiLanguages(), which honours LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG.
Language SystemLanguage();

// Installs the translations of language into the application, replacing those installed
// before. Call it before any window is made. False when Qt's own translation could not be
// loaded (Debian's qt6-translations-l10n missing): the program then still runs, with Qt's
// English buttons.
bool InstallTranslators(Language language);

// Removes what InstallTranslators installed: the texts as written in the code again.
void RemoveTranslators();

}  // namespace wxh
