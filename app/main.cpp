// The program's entry point.
#include <QApplication>

#include "app/Startup.h"
#include "runtime/Language.h"
#include "runtime/UserSettings.h"

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    // Lets desktops match the program's windows to its installed menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("rs.kovrel.Kovrel"));
    runtime::useProgramLanguage();
    runtime::useUserSettings();
    return app::RunProgram();
}
