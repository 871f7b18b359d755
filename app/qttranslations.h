#pragma once
// Qt's own texts in Russian: the standard context menus of text fields
// ("Копировать", "Выделить всё"), the buttons of message boxes and dialogs,
// the serial port's error texts, the usage and errors of the command-line
// parser. The window, tarvik-cli, tarvik-sim and the window tests install
// them at start-up, whatever language the system speaks. Qt Core only: the
// programs without a window link it too.

#include <QStringList>

class QCoreApplication;

namespace app {

// Installs Qt's Russian catalogues into the application, once. They are looked
// for where Qt keeps its translations and, for a deployed program, in
// "translations" beside it. Returns the files in use; a catalogue that is not
// installed is left out and its texts stay English.
QStringList installQtTranslations(QCoreApplication &application);

} // namespace app
