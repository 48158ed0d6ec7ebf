// The balloon on Windows: the tray icon's own message, cut to the shell's
// limits; only a click on the message counts, not a press on the icon.
#include "MainWinFixture.h"

#include "ui/BalloonNotifier.h"

#include <QSignalSpy>
#include <QSystemTrayIcon>

namespace vexrem::test {
namespace {

TEST(Win32Balloon, TheTraysMessageIsTheBalloonAndOnlyItsClickCounts) {
    QSystemTrayIcon tray;
    BalloonNotifier notifier(&tray);
    QSignalSpy shown(&notifier, &BalloonNotifier::shown);
    QSignalSpy clicks(&notifier, &BalloonNotifier::clicked);
    notifier.Show(QString(100, QLatin1Char('T')), QString(300, QLatin1Char('x')), 7000);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toString(), QString(63, QLatin1Char('T')));
    EXPECT_EQ(shown.at(0).at(1).toString(), QString(255, QLatin1Char('x')));
    EXPECT_EQ(shown.at(0).at(2).toInt(), 7000);
    notifier.Remove(); // the shell takes it away; nothing to do, nothing breaks
    EXPECT_EQ(notifier.CurrentId(), 0u);

    emit tray.messageClicked();
    ASSERT_TRUE(WaitUntil([&] { return clicks.count() == 1; }));
    // A press on the icon while the message shows: the shell reports both.
    emit tray.messageClicked();
    emit tray.activated(QSystemTrayIcon::Context);
    Spin(50);
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
} // namespace vexrem::test
