// Runs the shell's tests inside a QApplication, as its windows need one.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Headless unless the run names a platform (ctest lists the cases without the tests' environment).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
