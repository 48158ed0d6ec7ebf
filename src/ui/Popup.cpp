#include "ui/Popup.h"

#include "platform/Platform.h"
#include "ui/SystemUiFont.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace vexrem {

std::string FormatDelay(int seconds) {
    const int minutes = seconds / 60;
    const int rest = seconds % 60;
    std::string text;
    if (minutes > 0) {
        text += std::to_string(minutes) + " min";
    }
    if (minutes > 0 && rest > 0) {
        text += ", ";
    }
    if (rest > 0) {
        text += std::to_string(rest) + " sek";
    }
    return text;
}

TfrmPopup::TfrmPopup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmPopup"));
    setWindowTitle(QStringLiteral("Vexelreminder-Popup"));
    setFixedSize(318, 80);
    setSizeGripEnabled(false);
    if (Platform().IsVistaOrLater()) {
        UseSystemUiFont(*this);
    }

    // Created in tab order: the two wait buttons, then the go button.
    btnWait1 = new QPushButton(this);
    btnWait1->setObjectName(QStringLiteral("btnWait1"));
    btnWait1->setGeometry(8, 52, 89, 25);
    btnWait2 = new QPushButton(this);
    btnWait2->setObjectName(QStringLiteral("btnWait2"));
    btnWait2->setGeometry(104, 52, 89, 25);
    btnHinda = new QPushButton(this);
    btnHinda->setObjectName(QStringLiteral("btnHinda"));
    btnHinda->setGeometry(216, 52, 97, 25);
    btnHinda->setDefault(true);

    labMessage = new QLabel(this);
    labMessage->setObjectName(QStringLiteral("labMessage"));
    labMessage->setGeometry(8, 8, 305, 33);
    labMessage->setAlignment(Qt::AlignCenter);
    labMessage->setWordWrap(true);
    labMessage->setTextFormat(Qt::PlainText);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 40, 305, 9);
    // The line runs along the bevel's bottom edge, just above the buttons.
    Bevel1->setFrameRect(QRect(0, 7, 305, 2));

    setTabOrder(btnWait1, btnWait2);
    setTabOrder(btnWait2, btnHinda);

    connect(btnWait1, &QPushButton::clicked, this, [this] { done(mrWait1); });
    connect(btnWait2, &QPushButton::clicked, this, [this] { done(mrWait2); });
    connect(btnHinda, &QPushButton::clicked, this, [this] { done(mrHinda); });
}

void TfrmPopup::SetPopupTexts(const std::string& caption, const std::string& message,
                              const std::string& hindaText, int delay1, int delay2) {
    setWindowTitle(QString::fromLocal8Bit(caption));
    labMessage->setText(QString::fromLocal8Bit(message));
    btnWait1->setText(QString::fromLocal8Bit(FormatDelay(delay1)));
    btnWait2->setText(QString::fromLocal8Bit(FormatDelay(delay2)));
    btnHinda->setText(QString::fromLocal8Bit(hindaText));
}

void TfrmPopup::BringToTop() {
    raise();
    activateWindow();
}

void TfrmPopup::reject() {
    done(mrCancel);
}

void TfrmPopup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    BringToTop();
    if (btnHinda->isEnabled()) {
        btnHinda->setFocus(Qt::ActiveWindowFocusReason);
    }
}

void TfrmPopup::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow() || !isVisible()) {
        return;
    }
    // Whatever took the activation, the popup comes back on top, so it
    // cannot get lost behind other windows. An open menu (the tray menu)
    // is left alone: taking the focus from it would close it at once.
    if (QApplication::activePopupWidget() != nullptr) {
        return;
    }
    // Deferred: re-activating from inside the activation change would
    // fight the window system's own bookkeeping.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !isActiveWindow() && QApplication::activePopupWidget() == nullptr) {
            BringToTop();
        }
    });
}

void TfrmPopup::keyPressEvent(QKeyEvent* event) {
    // No button is a cancel button: Escape must not close the popup.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vexrem
