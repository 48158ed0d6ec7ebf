#pragma once

// The small always-on-top window that tells the player it is their turn,
// with two snooze buttons and a button that opens the game.

#include <QDialog>
#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace vexrem {

// A snooze time as the wait buttons show it: "5 min", "1 min, 30 sek",
// "45 sek"; minutes are not folded into hours; empty for 0 or less.
std::string FormatDelay(int seconds);

class TfrmPopup : public QDialog {
    Q_OBJECT
public:
    // How the popup was closed; exec() returns one of these.
    enum ModalResult : int {
        mrCancel = 2, // close box or Alt+F4: neither snooze nor open
        mrWait1 = 101,
        mrWait2 = 102,
        mrHinda = 110,
    };

    explicit TfrmPopup(QWidget* parent = nullptr);

    // Texts in the locale encoding; the delays are seconds.
    void SetPopupTexts(const std::string& caption, const std::string& message,
                       const std::string& hindaText, int delay1, int delay2);

    // Raises the window above the other topmost windows and activates it,
    // without moving or resizing it.
    void BringToTop();

    QPushButton* btnWait1 = nullptr;
    QPushButton* btnWait2 = nullptr;
    QPushButton* btnHinda = nullptr;
    QLabel* labMessage = nullptr;
    QFrame* Bevel1 = nullptr;

public slots:
    // The close box and Alt+F4 end up here; the popup has no cancel button.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vexrem
