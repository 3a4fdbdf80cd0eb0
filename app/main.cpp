// The program's entry point.
#include <QApplication>

#include "app/Startup.h"

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    return app::RunProgram();
}
