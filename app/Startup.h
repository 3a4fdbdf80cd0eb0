// The program's start-up: the application object, the long-lived windows in their fixed order, the run.
#pragma once

#include "runtime/ProgressWindow.h"

class TApplication;

namespace app {

// Makes the component classes of every layer known to the form descriptions.
void registerComponentClasses();

// Creates the program's long-lived windows on `application` in their fixed order; the first, the
// main window, is frmNavigator; the windows added since (frmKartica, frmDnevnik, frmKalendar, frmPraznici,
// frmOProgramu) come after the print forms. An exception from a window's creation propagates.
void CreateProgramForms(TApplication& application);

// Adds the indexes that the ledger in the working directory lacks before the windows open it, in a
// progress window when that takes longer than `showProgressAfterMs`. A ledger that is missing, foreign,
// read-only or held by another program is left as it is: the windows open it as ever, only slower where
// indexes lack, and report what keeps them from it.
void AddMissingLedgerIndexes(int showProgressAfterMs = TProgressWindow::DefaultShowAfterMs);

// Runs the program: initialises the application object, adds the ledger's missing indexes, creates the
// windows and runs until the main window closes; once the loop runs, a ledger that can only be read is told
// so in one message, and the day's copy of any other ledger is made when it is due. When a window fails
// during creation, the start-up failure box is shown and the program ends before the main window appears.
// Either way the engine session ends with the program. Answers the process's exit code.
int RunProgram();

}  // namespace app
