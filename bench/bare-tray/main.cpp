// The yardstick for the program's idle memory: a bare Qt program that only
// shows a tray icon with a menu and does nothing else.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(4, 4, 8, 8, Qt::green);
    QMenu menu;
    menu.addAction(QStringLiteral("&Einstellungen"));
    menu.addAction(QStringLiteral("&Beenden"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setContextMenu(&menu);
    tray.setToolTip(QStringLiteral("Bei keinem Spiel dran."));
    tray.show();
    return QApplication::exec();
}
