#pragma once
// The tray icon as the program shows it: the traffic-light image of the set
// in use, the tooltip, the context menu, the balloon, and the clicks. Also
// waits for a tray that is not there yet. It shows what it is told; what to
// show is decided elsewhere.

#include "ui/BalloonNotifier.h"
#include "ui/TrayIcons.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

namespace vexrem {

class TTrayPresenter : public QObject {
    Q_OBJECT
public:
    // menu: the icon's context menu; owner: the window the icon belongs to.
    TTrayPresenter(QMenu* menu, QObject* owner);

    // Makes the icon now, or as soon as a tray is there.
    void Start();
    // Program end: the icon goes, no click is pending.
    void Shutdown();

    void SetIndex(int index);
    // The tip is cut to what a tray shows and is never taken as markup.
    void SetTip(const QString& tip);
    void SetReduced(bool reducedColors);

    QSystemTrayIcon* Icon() const { return tray_; }
    BalloonNotifier* Balloon() const { return balloon_; }
    int Index() const { return index_; }
    const QString& Tip() const { return tip_; }
    bool Reduced() const { return set_->Reduced(); }
    const TrayImageSet& ImageSet(bool reducedColors) const {
        return reducedColors ? icons16_ : icons_;
    }

signals:
    void clicked(); // a single click, once no double click can follow
    void opened();  // a double click, or what a tray host has instead
    void balloonClicked();
    void balloonAction(vexrem::BalloonAction action); // one of the balloon's buttons
    void waitedInVain(); // no tray came: something else must be clickable

private:
    void Install();
    void Activated(int reason); // a QSystemTrayIcon::ActivationReason
    void WatchForTray();
    void NewBalloon(QSystemTrayIcon* icon);

    QObject* owner_;
    QMenu* menu_;
    QSystemTrayIcon* tray_ = nullptr;
    BalloonNotifier* balloon_ = nullptr;
    TrayImageSet icons_{false};
    TrayImageSet icons16_{true};
    const TrayImageSet* set_ = &icons_;
    int index_ = TrayImageDark;
    QString tip_;
    QTimer watch_;
    QTimer click_;
    int waitTicks_ = 0;
};

} // namespace vexrem
