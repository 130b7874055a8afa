#pragma once
// Start-up settings shared by main() and the tests that build the real window.

// High-DPI attributes; must run before the application object exists.
void setHighDpiAttributes();

// The application-wide font; needs the application object.
void installApplicationFont();

#include <QLocale>
#include <QStringList>

// Where the window's translations are looked for, first match wins: the folder "translations"
// beside the program (a build tree), then the package's data folder relative to the program's
// folder (../share/brenmoor/translations), so an installation found anywhere finds its own.
QStringList translationFolders();

// Installs the window's translation for `locale` from the first of `folders` that has one,
// and Qt's own (its dialogs and buttons). A locale with no translation (English, C) keeps the
// source texts. Needs the application object.
void installTranslations(const QLocale& locale, const QStringList& folders);
