#include "dialogs/TaskDialogForm.h"

#include "dialogs/TaskDialog.h"

#include <QButtonGroup>
#include <QCommandLinkButton>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace vexrem {

namespace {

// The blue of the system's main instruction.
constexpr QColor kInstructionColor(0x00, 0x33, 0x99);
constexpr int kIconSize = 32;
constexpr int kTextWidth = 400;

struct CommonButton {
    unsigned bit;
    int id;
    const char* caption;
};

// The system's order of the common buttons, captioned as on a German system.
const CommonButton kCommonButtons[] = {
    {TaskDialogCommon::Ok, TaskDialogId::Ok, "OK"},
    {TaskDialogCommon::Yes, TaskDialogId::Yes, "Ja"},
    {TaskDialogCommon::No, TaskDialogId::No, "Nein"},
    {TaskDialogCommon::Retry, TaskDialogId::Retry, "Wiederholen"},
    {TaskDialogCommon::Cancel, TaskDialogId::Cancel, "Abbrechen"},
    {TaskDialogCommon::Close, TaskDialogId::Close, "Schlie\u00dfen"},
};

QLabel* WrappedLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMinimumWidth(kTextWidth);
    return label;
}

} // namespace

TaskDialogForm::TaskDialogForm(const TTaskDialog& dlg) : QDialog(dlg.Owner()), dlg_(dlg) {
    // No close box (and no Alt+F4 effect, see reject) unless the dialog may
    // be cancelled: the user has to pick one of the offered answers.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (dlg.Cancellable()) {
        flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    }
    setWindowFlags(flags);
    // Modal to the owner only: the tray icon and its menu (windows of this
    // program too) stay usable while a question waits for its answer.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(dlg.Title().isEmpty() ? QGuiApplication::applicationDisplayName() : dlg.Title());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("topArea"));
    top->setAutoFillBackground(true);
    QPalette topPalette = top->palette();
    topPalette.setColor(QPalette::Window, topPalette.color(QPalette::Base));
    top->setPalette(topPalette);
    BuildTop(top);
    outer->addWidget(top);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    outer->addWidget(line);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("buttonArea"));
    BuildBottom(bottom);
    outer->addWidget(bottom);

    if (firstButton_ != nullptr) {
        firstButton_->setDefault(true);
        firstButton_->setFocus();
    }

    // Qt places a dialog over its parent; a tray program's questions often
    // come while the main window is hidden, and then the screen's middle is
    // the place to look.
    const QWidget* owner = dlg.Owner();
    if (owner == nullptr || !owner->window()->isVisible()) {
        adjustSize();
        if (const QScreen* s = screen()) {
            move(s->availableGeometry().center() - rect().center());
        }
    }
}

void TaskDialogForm::BuildTop(QWidget* area) {
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);

    if (dlg_.MainIcon() != TaskDialogIcon::None) {
        const bool warning = dlg_.MainIcon() == TaskDialogIcon::Warning;
        auto* icon = new QLabel(area);
        icon->setObjectName(QLatin1String(TaskDialogPart::Icon));
        icon->setProperty("iconKind",
                          warning ? QStringLiteral("warning") : QStringLiteral("information"));
        const QIcon pic = style()->standardIcon(warning ? QStyle::SP_MessageBoxWarning
                                                        : QStyle::SP_MessageBoxInformation);
        icon->setPixmap(pic.pixmap(kIconSize, kIconSize));
        icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
        row->addWidget(icon, 0, Qt::AlignTop);
    }

    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    row->addLayout(column, 1);

    if (!dlg_.MainInstruction().isEmpty()) {
        auto* heading = WrappedLabel(dlg_.MainInstruction(), TaskDialogPart::MainInstruction, area);
        QFont font = heading->font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        font.setBold(true);
        heading->setFont(font);
        QPalette pal = heading->palette();
        pal.setColor(QPalette::WindowText, kInstructionColor);
        heading->setPalette(pal);
        column->addWidget(heading);
    }
    if (!dlg_.Content().isEmpty()) {
        column->addWidget(
            WrappedLabel(NormalizeLineBreaks(dlg_.Content()), TaskDialogPart::Content, area));
    }
    if (!dlg_.ExpandedInformation().isEmpty()) {
        auto* more = WrappedLabel(NormalizeLineBreaks(dlg_.ExpandedInformation()),
                                  TaskDialogPart::ExpandedInformation, area);
        more->setVisible(false);
        column->addWidget(more);
    }

    BuildRadioButtons(area, column);
    BuildCommandLinks(area, column);
    column->addStretch(1);
}

void TaskDialogForm::BuildRadioButtons(QWidget* area, QVBoxLayout* column) {
    if (dlg_.RadioButtons().empty()) {
        return;
    }
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    auto* radios = new QVBoxLayout;
    radios->setSpacing(6);
    radios->setContentsMargins(8, 0, 0, 0);
    const TaskDialogRadioButton* selected = nullptr;
    for (const auto& r : dlg_.RadioButtons()) {
        if (r.isDefault) {
            selected = &r;
        }
    }
    // Without a marked default the system selects the first one, unless
    // told to select none.
    if (selected == nullptr && (dlg_.Flags() & TaskDialogFlag::NoDefaultRadioButton) == 0) {
        selected = &dlg_.RadioButtons().front();
    }
    for (const auto& r : dlg_.RadioButtons()) {
        auto* rb = new QRadioButton(r.caption, area);
        rb->setEnabled(r.enabled);
        rb->setChecked(&r == selected);
        group->addButton(rb, r.id);
        radios->addWidget(rb);
        radios_.emplace_back(r.id, rb);
    }
    column->addLayout(radios);
}

void TaskDialogForm::BuildCommandLinks(QWidget* area, QVBoxLayout* column) {
    if ((dlg_.Flags() & TaskDialogFlag::UseCommandLinks) == 0 || dlg_.Buttons().empty()) {
        return;
    }
    auto* links = new QVBoxLayout;
    links->setSpacing(2);
    for (const auto& b : dlg_.Buttons()) {
        // As with the system's command links, a line break parts the
        // caption from its note.
        const QString caption = NormalizeLineBreaks(b.caption);
        const qsizetype nl = caption.indexOf(u'\n');
        auto* link = new QCommandLinkButton(nl < 0 ? caption : caption.left(nl),
                                            nl < 0 ? QString() : caption.mid(nl + 1), area);
        link->setEnabled(b.enabled);
        link->setAutoDefault(false);
        const int id = b.id;
        connect(link, &QAbstractButton::clicked, this, [this, id] { OnCustomClicked(id); });
        links->addWidget(link);
        if (firstButton_ == nullptr && b.enabled) {
            firstButton_ = link;
        }
    }
    column->addLayout(links);
}

void TaskDialogForm::BuildBottom(QWidget* area) {
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(8);

    // The expand button exists only together with expanded information.
    if (!dlg_.ExpandedInformation().isEmpty()) {
        const QString caption = dlg_.CollapsedControlText().isEmpty() ? QStringLiteral("Details")
                                                                      : dlg_.CollapsedControlText();
        auto* expand = new QPushButton(caption, area);
        expand->setObjectName(QLatin1String(TaskDialogPart::ExpandButton));
        expand->setCheckable(true);
        expand->setAutoDefault(false);
        connect(expand, &QPushButton::toggled, this, [this](bool on) {
            if (auto* more =
                    findChild<QLabel*>(QLatin1String(TaskDialogPart::ExpandedInformation))) {
                more->setVisible(on);
            }
        });
        row->addWidget(expand);
    }
    row->addStretch(1);

    if ((dlg_.Flags() & TaskDialogFlag::UseCommandLinks) == 0) {
        for (const auto& b : dlg_.Buttons()) {
            AddPushButton(row, b.id, b.caption, b.enabled, true);
        }
    }
    unsigned common = dlg_.CommonButtons();
    if (common == 0 && dlg_.Buttons().empty()) {
        common = TaskDialogCommon::Ok; // the system never shows a dialog without a way out
    }
    for (const auto& c : kCommonButtons) {
        if ((common & c.bit) != 0) {
            AddPushButton(row, c.id, QString::fromUtf8(c.caption), true, false);
        }
    }
}

void TaskDialogForm::AddPushButton(QLayout* row, int id, const QString& caption, bool enabled,
                                   bool custom) {
    auto* button = new QPushButton(caption, row->parentWidget());
    button->setEnabled(enabled);
    button->setMinimumWidth(80);
    connect(button, &QAbstractButton::clicked, this, [this, id, custom] {
        if (custom) {
            OnCustomClicked(id);
        } else {
            Finish(id);
        }
    });
    row->addWidget(button);
    if (firstButton_ == nullptr && enabled) {
        firstButton_ = button;
    }
}

void TaskDialogForm::OnCustomClicked(int id) {
    if (!dlg_.RunClickHandler(id)) {
        Finish(id);
    }
}

void TaskDialogForm::Finish(int id) {
    button_ = id;
    done(id);
}

int TaskDialogForm::RadioResult() const {
    for (const auto& [id, rb] : radios_) {
        if (rb->isChecked()) {
            return id;
        }
    }
    return 0;
}

void TaskDialogForm::reject() {
    // Escape and the close box land here.
    if (dlg_.Cancellable()) {
        Finish(TaskDialogId::Cancel);
    }
}

} // namespace vexrem
