// ui_language.h: the language of the interface (English or Polish), chosen once
// at start-up from the user's locale or --lang, and the program's title in it.
// Set on the GUI thread before any window exists; read from any thread.
#pragma once

#include "link/messages.h"

#include <QString>

#include <optional>

class QCoreApplication;
class QTranslator;

Language UiLanguage();
// Picks the language (the override, else Polish for a Polish locale, else
// English) and installs the translator for it. Returns the language chosen.
Language InstallUiLanguage(QCoreApplication& app, std::optional<Language> override);
// Removes the installed translator and goes back to English.
void ResetUiLanguage(QCoreApplication& app);

// "KVVidiRidoved" / "KV VidiRidoved".
QString ApplicationTitle();
