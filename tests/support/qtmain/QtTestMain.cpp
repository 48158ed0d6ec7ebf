// main() for the widget tests: real widgets on Qt's offscreen platform unless
// the caller chose a display (QT_QPA_PLATFORM set, e.g. to xcb under Xvfb).
// Set here rather than by the test runner: under wine the runner's
// environment does not reach the program.
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
