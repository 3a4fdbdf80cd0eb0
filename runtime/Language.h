// The program speaks one language: Serbian in Latin letters, in Qt's own dialogs and controls too.
#pragma once

class QTranslator;

namespace runtime {

// Installs the program's Serbian for the texts of Qt's dialogs and controls (file dialogs, print
// dialog, the edits' context menus, file error texts), and takes the system's error texts in the C
// locale's words, never in another script than the program's. Call once the application object exists;
// answers the translator it installed.
QTranslator* useProgramLanguage();

}  // namespace runtime
