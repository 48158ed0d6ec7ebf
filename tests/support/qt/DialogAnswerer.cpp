#include "support/qt/DialogAnswerer.h"

#include "dialogs/TaskDialog.h"
#include "dialogs/TaskDialogForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace vexrem::test {

namespace {

constexpr int kPollMs = 20;

QString WithoutMnemonic(QString caption) {
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    return caption;
}

bool Visible(const QWidget* w, const QWidget* window) {
    return w->isVisibleTo(window);
}

QLabel* NamedLabel(const QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QLatin1String(name));
}

// Ends a dialog no matter what its reject() would do.
void ForceClose(QWidget* w) {
    if (auto* dlg = qobject_cast<QDialog*>(w)) {
        dlg->done(QDialog::Rejected);
    } else {
        w->hide();
    }
}

} // namespace

// --- ModalDialog -------------------------------------------------------------

bool ModalDialog::IsOpen() const {
    return widget_ != nullptr && widget_->isVisible();
}

QString ModalDialog::Title() const {
    return widget_ ? widget_->windowTitle() : QString();
}

QString ModalDialog::Instruction() const {
    if (!widget_) {
        return {};
    }
    if (auto* box = qobject_cast<QMessageBox*>(widget_)) {
        return box->text();
    }
    const QLabel* label = NamedLabel(widget_, TaskDialogPart::MainInstruction);
    return label ? label->text() : QString();
}

QString ModalDialog::Content() const {
    if (!widget_) {
        return {};
    }
    if (auto* box = qobject_cast<QMessageBox*>(widget_)) {
        return box->informativeText();
    }
    const QLabel* label = NamedLabel(widget_, TaskDialogPart::Content);
    return label ? label->text() : QString();
}

QString ModalDialog::Icon() const {
    if (!widget_) {
        return {};
    }
    if (auto* box = qobject_cast<QMessageBox*>(widget_)) {
        switch (box->icon()) {
        case QMessageBox::Warning:
            return QStringLiteral("warning");
        case QMessageBox::Information:
            return QStringLiteral("information");
        case QMessageBox::Critical:
            return QStringLiteral("critical");
        case QMessageBox::Question:
            return QStringLiteral("question");
        default:
            return {};
        }
    }
    const QLabel* icon = NamedLabel(widget_, TaskDialogPart::Icon);
    return icon ? icon->property("iconKind").toString() : QString();
}

QStringList ModalDialog::Buttons() const {
    QStringList captions;
    if (!widget_) {
        return captions;
    }
    for (const QPushButton* b : widget_->findChildren<QPushButton*>()) {
        if (Visible(b, widget_) && !b->text().isEmpty()) {
            captions << b->text();
        }
    }
    return captions;
}

bool ModalDialog::ButtonEnabled(const QString& caption) const {
    const QAbstractButton* b = FindButton(caption, false);
    return b != nullptr && b->isEnabled();
}

bool ModalDialog::IsCommandLink(const QString& caption) const {
    return qobject_cast<QCommandLinkButton*>(FindButton(caption, false)) != nullptr;
}

QStringList ModalDialog::Radios() const {
    QStringList captions;
    if (!widget_) {
        return captions;
    }
    for (const QRadioButton* r : widget_->findChildren<QRadioButton*>()) {
        if (Visible(r, widget_)) {
            captions << r->text();
        }
    }
    return captions;
}

QString ModalDialog::CheckedRadio() const {
    if (!widget_) {
        return {};
    }
    for (const QRadioButton* r : widget_->findChildren<QRadioButton*>()) {
        if (Visible(r, widget_) && r->isChecked()) {
            return r->text();
        }
    }
    return {};
}

QStringList ModalDialog::Labels() const {
    QStringList texts;
    if (!widget_) {
        return texts;
    }
    for (const QLabel* l : widget_->findChildren<QLabel*>()) {
        if (Visible(l, widget_) && !l->text().isEmpty()) {
            texts << l->text();
        }
    }
    return texts;
}

QAbstractButton* ModalDialog::FindButton(const QString& caption, bool radio) const {
    if (!widget_) {
        return nullptr;
    }
    const QString wanted = WithoutMnemonic(caption);
    for (QAbstractButton* b : widget_->findChildren<QAbstractButton*>()) {
        const bool isRadio = qobject_cast<QRadioButton*>(b) != nullptr;
        if (isRadio == radio && Visible(b, widget_) && WithoutMnemonic(b->text()) == wanted) {
            return b;
        }
    }
    return nullptr;
}

void ModalDialog::Click(const QString& caption) {
    QAbstractButton* b = FindButton(caption, false);
    if (b == nullptr || !b->isEnabled()) {
        ADD_FAILURE() << "dialog \"" << Title().toStdString() << "\": no enabled button \""
                      << caption.toStdString()
                      << "\"; buttons: " << Buttons().join(QLatin1String(", ")).toStdString();
        if (widget_) {
            ForceClose(widget_);
        }
        return;
    }
    b->click();
}

void ModalDialog::ClickRadio(const QString& caption) {
    QAbstractButton* b = FindButton(caption, true);
    if (b == nullptr || !b->isEnabled()) {
        ADD_FAILURE() << "dialog \"" << Title().toStdString() << "\": no enabled radio button \""
                      << caption.toStdString()
                      << "\"; radio buttons: " << Radios().join(QLatin1String(", ")).toStdString();
        return;
    }
    b->click();
}

void ModalDialog::PressEscape() {
    if (!widget_) {
        return;
    }
    // To the focus widget, as a real key press: QApplication passes it on to
    // the dialog when the widget ignores it.
    QWidget* target = widget_->focusWidget() ? widget_->focusWidget() : widget_.data();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    if (target != nullptr && widget_) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
}

void ModalDialog::CloseBox() {
    if (widget_) {
        widget_->close(); // a close event, as the window manager sends it
    }
}

// --- DialogAnswerer ----------------------------------------------------------

DialogAnswerer::DialogAnswerer(int timeoutMs) : timeoutMs_(timeoutMs) {
    TTaskDialog::SetSystemDialogAllowed(false);
    sinceProgress_.start();
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &DialogAnswerer::Poll);
    timer_.start();
}

DialogAnswerer::~DialogAnswerer() {
    if (!steps_.empty()) {
        ADD_FAILURE() << steps_.size() << " expected dialog(s) never appeared";
    }
}

DialogAnswerer& DialogAnswerer::Then(Step step) {
    if (steps_.empty()) {
        sinceProgress_.restart();
    }
    steps_.push_back(std::move(step));
    return *this;
}

DialogAnswerer& DialogAnswerer::ThenClick(const QString& caption) {
    return Then([caption](ModalDialog& d) { d.Click(caption); });
}

bool DialogAnswerer::WaitAllAnswered() {
    return WaitUntil([this] { return steps_.empty(); }, timeoutMs_ + 2 * kPollMs);
}

QWidget* DialogAnswerer::ActiveDialog() {
    if (QWidget* w = QApplication::activeModalWidget(); w != nullptr && w->isVisible()) {
        return w;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<QDialog*>(w);
        if (dlg != nullptr && dlg->isVisible() && dlg->isModal()) {
            return dlg;
        }
    }
    return nullptr;
}

QWidget* DialogAnswerer::FindWindow(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title) {
            return w;
        }
    }
    return nullptr;
}

bool DialogAnswerer::WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void DialogAnswerer::Poll() {
    if (stepPending_) {
        return;
    }
    QWidget* dlg = ActiveDialog();
    if (!steps_.empty()) {
        if (dlg != nullptr) {
            // Run from a timer of its own: a step may open further dialogs,
            // and Qt does not fire the poll timer again while its own slot
            // is still running.
            stepPending_ = true;
            QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(dlg)] {
                stepPending_ = false;
                if (steps_.empty()) {
                    return;
                }
                Step step = std::move(steps_.front());
                steps_.pop_front();
                ++answered_;
                sinceProgress_.restart();
                ModalDialog d(target ? target.data() : ActiveDialog());
                step(d);
                sinceProgress_.restart();
            });
        } else if (sinceProgress_.elapsed() > timeoutMs_) {
            ADD_FAILURE() << steps_.size() << " expected dialog(s) did not appear within "
                          << timeoutMs_ << " ms";
            steps_.clear();
        }
        return;
    }
    // Nothing more to answer: a modal dialog that stays open would block the
    // test for good.
    if (dlg == nullptr) {
        sinceProgress_.restart();
    } else if (sinceProgress_.elapsed() > timeoutMs_) {
        ADD_FAILURE() << "dialog \"" << dlg->windowTitle().toStdString()
                      << "\" left open with no answer queued; closing it";
        ForceClose(dlg);
        sinceProgress_.restart();
    }
}

void CloseLeftoverDialogs() {
    while (QWidget* dlg = DialogAnswerer::ActiveDialog()) {
        ForceClose(dlg);
    }
}

} // namespace vexrem::test
