// main() for the widget tests: real widgets on Qt's offscreen platform unless
// the caller chose a display (QT_QPA_PLATFORM set, e.g. to xcb under Xvfb).
// Set here, with Qt's call for every system, so that the programs run under
// wine, which starts them with no QT_QPA_PLATFORM of the test runner's, draw
// offscreen too.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
