// main() for the widget tests that measure text. Their fonts must be the ones
// the program draws with: on Windows that takes the program's own Qt platform
// (a real display; under WINE the platform the program chooses there), as the
// offscreen platform there has no fonts at all. Elsewhere the offscreen
// platform draws with the desktop's fonts already.
#include "ui/QtPlatformSetup.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    vexrem::PrepareQtPlatform();
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    vexrem::AddSystemFonts();
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
