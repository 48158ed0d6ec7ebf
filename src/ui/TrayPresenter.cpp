#include "ui/TrayPresenter.h"

#include "ui/BalloonNotifier.h"
#include "ui/PlainText.h"
#include "ui/TrayHost.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace vexrem {

namespace {
// The most a tray tooltip shows.
constexpr int kMaxTip = 127;
// How often and how long to look for a tray that is not there yet.
constexpr int kTrayWatchMs = 2000;
constexpr int kTrayWatchTicks = 30;
} // namespace

TTrayPresenter::TTrayPresenter(QMenu* menu, QObject* owner)
    : QObject(owner), owner_(owner), menu_(menu) {
    click_.setSingleShot(true);
    connect(&click_, &QTimer::timeout, this, &TTrayPresenter::clicked);
}

void TTrayPresenter::Start() {
    if (TrayHostPresent() || !TrayHostMayAppear()) {
        Install();
    }
    if (balloon_ == nullptr) {
        // Desktop notifications do not need the icon; they work while we wait.
        NewBalloon(nullptr);
    }
    WatchForTray();
}

void TTrayPresenter::Shutdown() {
    watch_.stop();
    click_.stop();
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void TTrayPresenter::NewBalloon(QSystemTrayIcon* icon) {
    delete balloon_;
    balloon_ = new BalloonNotifier(icon, owner_);
    connect(balloon_, &BalloonNotifier::clicked, this, &TTrayPresenter::balloonClicked);
    connect(balloon_, &BalloonNotifier::actionInvoked, this, &TTrayPresenter::balloonAction);
}

void TTrayPresenter::Install() {
    tray_ = new QSystemTrayIcon(owner_);
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
    // A balloon made while waiting for the tray keeps running when it has one
    // on screen (so a click on it still counts); otherwise the new one also
    // has the icon's own message as its fallback.
    if (balloon_ == nullptr || balloon_->CurrentId() == 0) {
        NewBalloon(tray_);
    }
    tray_->setIcon(set_->Icon(index_));
    tray_->setToolTip(ShownLiterally(tip_));
    tray_->show();
}

void TTrayPresenter::Activated(int reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // The first click of a double click comes as a click too: a click acts
        // only once the system's double-click time has passed without a
        // second one. A second click within it is the double click (an
        // XEmbed tray reports both, a StatusNotifierItem host only the clicks).
        if (click_.isActive()) {
            click_.stop();
            emit opened();
        } else {
            click_.start(QApplication::doubleClickInterval());
        }
        break;
    case QSystemTrayIcon::DoubleClick:
    // A StatusNotifierItem host has no double click; its middle click
    // (SecondaryActivate) reaches the default item instead.
    case QSystemTrayIcon::MiddleClick:
        click_.stop();
        emit opened();
        break;
    default:
        break;
    }
}

void TTrayPresenter::WatchForTray() {
    // A tray host that starts (late, or again after a crash of the panel)
    // knows nothing of us: show the icon to it anew, or make it now if it
    // was waiting for a tray.
    OnTrayHostStarted(this, [this] {
        if (tray_ == nullptr) {
            if (TrayHostPresent()) {
                Install();
            }
        } else if (tray_->isVisible()) {
            tray_->hide();
            tray_->show();
        }
    });

    // A panel may start after us. Once a tray icon exists, QSystemTrayIcon
    // shows itself when an XEmbed tray appears. Qt decides between
    // StatusNotifierItem and XEmbed once, when the first icon is made, so
    // where a StatusNotifierItem host may still come (a session bus, no
    // tray yet) the icon is made only when a tray is there. If none has
    // come after a while, the owner is told, so the program is never
    // running without anything to click.
    if (tray_ != nullptr && QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    watch_.setInterval(kTrayWatchMs);
    connect(&watch_, &QTimer::timeout, this, [this] {
        if (tray_ == nullptr && TrayHostPresent()) {
            Install();
        }
        if (tray_ != nullptr && QSystemTrayIcon::isSystemTrayAvailable()) {
            watch_.stop();
            tray_->hide();
            tray_->show();
            return;
        }
        if (++waitTicks_ >= kTrayWatchTicks) {
            watch_.stop();
            if (tray_ == nullptr) {
                Install(); // shows itself should an XEmbed tray come
            }
            emit waitedInVain();
        }
    });
    watch_.start();
}

void TTrayPresenter::SetIndex(int index) {
    index_ = index;
    if (tray_ != nullptr) {
        tray_->setIcon(set_->Icon(index));
    }
}

void TTrayPresenter::SetTip(const QString& tip) {
    tip_ = tip.left(kMaxTip);
    if (tray_ != nullptr) {
        // The tip carries the server's page after a failure: never markup.
        tray_->setToolTip(ShownLiterally(tip_));
    }
}

void TTrayPresenter::SetReduced(bool reducedColors) {
    set_ = reducedColors ? &icons16_ : &icons_;
    SetIndex(index_);
}

} // namespace vexrem
