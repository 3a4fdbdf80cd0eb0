// The program speaks one language: Serbian in Latin letters, in Qt's own dialogs and controls too.
#pragma once

#include <QString>

class QTranslator;

namespace runtime {

// Installs the program's Serbian for the texts of Qt's dialogs and controls (file dialogs, print
// dialog, the edits' context menus, file error texts), and takes the system's error texts in the C
// locale's words, never in another script than the program's (the common ones in the program's own, see
// systemErrorText). Call once the application object exists;
// answers the translator it installed.
QTranslator* useProgramLanguage();

// A system error (errno) in the program's words when it is a common one: no permission, no space, the
// quota, no such file or folder, not a folder, a disk only read, a name taken, a disk error; any other in
// the C locale's plain English.
QString systemErrorText(int errorNumber);

// A system error text as the C library or Qt gives it (the C locale's English) in the program's words
// when it is one of the common errors; any other text as it is.
QString inProgramWords(const QString& systemText);

}  // namespace runtime
