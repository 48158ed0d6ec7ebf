#include "dialogs/TaskDialog.h"

#include "dialogs/SystemTaskDialog.h"
#include "dialogs/TaskDialogForm.h"

#include <QApplication>
#include <QThread>

#include <atomic>
#include <memory>

namespace vexrem {

namespace {
std::atomic<bool> systemDialogAllowed{true};
} // namespace

void TTaskDialog::SetSystemDialogAllowed(bool allowed) {
    systemDialogAllowed = allowed;
}

TTaskDialog::TTaskDialog(QWidget* owner) : owner_(owner) {}

int TTaskDialog::AddButton(const QString& caption) {
    TaskDialogButton b;
    b.id = FirstCustomButtonId + static_cast<int>(buttons_.size());
    b.caption = caption;
    buttons_.push_back(std::move(b));
    return buttons_.back().id;
}

void TTaskDialog::SetButtonEnabled(int id, bool enabled) {
    if (auto* b = FindButton(id)) {
        b->enabled = enabled;
    }
}

void TTaskDialog::SetButtonClick(int id, TaskDialogClickHandler handler) {
    if (auto* b = FindButton(id)) {
        b->onClick = std::move(handler);
    }
}

int TTaskDialog::AddRadioButton(const QString& caption, bool isDefault) {
    TaskDialogRadioButton r;
    r.id = FirstRadioButtonId + static_cast<int>(radioButtons_.size());
    r.caption = caption;
    radioButtons_.push_back(std::move(r));
    if (isDefault) {
        SetRadioButtonDefault(radioButtons_.back().id);
    }
    return radioButtons_.back().id;
}

void TTaskDialog::SetRadioButtonEnabled(int id, bool enabled) {
    if (auto* r = FindRadio(id)) {
        r->enabled = enabled;
    }
}

void TTaskDialog::SetRadioButtonDefault(int id) {
    // Only one radio button can be selected at opening.
    for (auto& r : radioButtons_) {
        r.isDefault = r.id == id;
    }
}

bool TTaskDialog::Cancellable() const {
    return (commonButtons_ & TaskDialogCommon::Cancel) != 0 ||
           (flags_ & TaskDialogFlag::AllowDialogCancellation) != 0;
}

bool TTaskDialog::RunClickHandler(int id) const {
    for (const auto& b : buttons_) {
        if (b.id == id && b.onClick) {
            // A copy: the handler may outlive a change of the button list.
            const TaskDialogClickHandler handler = b.onClick;
            bool keepOpen = false;
            handler(keepOpen);
            return keepOpen;
        }
    }
    return false;
}

TaskDialogButton* TTaskDialog::FindButton(int id) {
    for (auto& b : buttons_) {
        if (b.id == id) {
            return &b;
        }
    }
    return nullptr;
}

TaskDialogRadioButton* TTaskDialog::FindRadio(int id) {
    for (auto& r : radioButtons_) {
        if (r.id == id) {
            return &r;
        }
    }
    return nullptr;
}

bool TTaskDialog::Execute() {
    modalResult_ = 0;
    radioResult_ = 0;

    // Widgets exist only in a widget application and only on its thread; the
    // system's dialog too is only asked from there, where the owner's window
    // handle may be taken.
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        return false;
    }

    if (const auto outcome =
            systemDialogAllowed ? detail::ExecuteSystemTaskDialog(*this) : std::nullopt) {
        if (!outcome->shown) {
            return false;
        }
        modalResult_ = outcome->button;
        radioResult_ = outcome->radio;
        return modalResult_ != TaskDialogId::Cancel;
    }

    auto form = std::make_unique<TaskDialogForm>(*this);
    const QPointer<TaskDialogForm> alive(form.get());
    form->exec();
    if (!alive) {
        // The owner went away while the dialog was open and took the form
        // with it: no answer was given.
        (void)form.release();
        return false;
    }
    modalResult_ = form->ButtonResult();
    radioResult_ = form->RadioResult();
    return modalResult_ != TaskDialogId::Cancel;
}

QString NormalizeLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (i + 1 < text.size()) {
                const QChar next = text[i + 1];
                if ((next == u'\r' || next == u'\n') && next != c) {
                    ++i; // CR LF or LF CR: one break
                }
            }
            out += u'\n';
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace vexrem
