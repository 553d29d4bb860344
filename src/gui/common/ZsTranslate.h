// The language of the program's texts: the translation that matches the desktop's language, with Qt's own
// for the buttons of its standard dialogs. The texts in the code are the English ones.
#pragma once

#include <QString>
#include <QStringList>

// Installs the program's translation for the first of the languages (as QLocale::uiLanguages() names them,
// most wanted first) that has one, and Qt's translation of that language where it is installed; what was
// installed before goes. English, or a list before which no translation is found, leaves the English texts.
// Returns the name of the translation chosen ("de"), empty for English. Windows made afterwards show it.
QString ZsInstallTranslations(const QStringList& languages);
