// Qt's own texts (file dialogs, the font dialog, message-box buttons) in the
// language the program speaks.
#pragma once

class QLocale;

// Loads Qt's translations for a locale in place of those loaded before.
// English, or a locale Qt has no translations for, leaves Qt's built-in
// English texts. Returns whether translations are installed now.
bool LoadQtTranslations(const QLocale& locale);
