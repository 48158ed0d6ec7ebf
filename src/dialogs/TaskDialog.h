#pragma once
// Every question the program asks goes through TTaskDialog: a modal dialog with
// a window title, a main instruction, a content text, a main icon, custom
// buttons, radio buttons and common buttons. On Windows the system's task
// dialog shows it; elsewhere an equivalent Qt dialog with the same elements,
// ids and results.
//
//     TTaskDialog dlg(mainWindow);
//     dlg.SetTitle(QStringLiteral("Zavazuzeza - Info"));
//     dlg.SetMainInstruction(...);
//     dlg.SetContent(...);                       // CR LF breaks allowed
//     dlg.SetCommonButtons(0);                   // no OK
//     dlg.SetMainIcon(TaskDialogIcon::Warning);
//     const int yes = dlg.AddButton(QStringLiteral("Ja"));
//     const int no = dlg.AddButton(QStringLiteral("Nein"));
//     dlg.Execute();
//     if (dlg.ModalResult() == yes) ...
//
// One object serves one question. GUI thread only.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace vexrem {

// Common buttons, as a bit set (the system's values).
namespace TaskDialogCommon {
inline constexpr unsigned Ok = 0x0001;
inline constexpr unsigned Yes = 0x0002;
inline constexpr unsigned No = 0x0004;
inline constexpr unsigned Cancel = 0x0008;
inline constexpr unsigned Retry = 0x0010;
inline constexpr unsigned Close = 0x0020;
} // namespace TaskDialogCommon

// Result ids of the common buttons (the system's values).
namespace TaskDialogId {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Retry = 4;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
inline constexpr int Close = 8;
} // namespace TaskDialogId

// Dialog flags (the system's values); only those that change what is shown.
namespace TaskDialogFlag {
inline constexpr unsigned EnableHyperlinks = 0x0001;
inline constexpr unsigned AllowDialogCancellation = 0x0008;
inline constexpr unsigned UseCommandLinks = 0x0010;
inline constexpr unsigned ExpandFooterArea = 0x0040;
inline constexpr unsigned NoDefaultRadioButton = 0x4000;
// The set a new dialog starts with.
inline constexpr unsigned Initial = EnableHyperlinks | ExpandFooterArea | NoDefaultRadioButton;
} // namespace TaskDialogFlag

enum class TaskDialogIcon { None, Warning, Information };

// Ids handed out when items are added: 200 + position for custom buttons,
// 300 + position for radio buttons (position counted from 0 in its list).
inline constexpr int FirstCustomButtonId = 200;
inline constexpr int FirstRadioButtonId = 300;

// Called when a custom button is clicked; setting keepOpen leaves the dialog
// open instead of ending it with that button.
using TaskDialogClickHandler = std::function<void(bool& keepOpen)>;

struct TaskDialogButton {
    int id = 0;
    QString caption;
    bool enabled = true;
    TaskDialogClickHandler onClick;
};

struct TaskDialogRadioButton {
    int id = 0;
    QString caption;
    bool enabled = true;
    bool isDefault = false; // the one selected at opening
};

class TTaskDialog {
public:
    explicit TTaskDialog(QWidget* owner = nullptr);
    TTaskDialog(const TTaskDialog&) = delete;
    TTaskDialog& operator=(const TTaskDialog&) = delete;

    void SetTitle(const QString& text) { title_ = text; }
    void SetMainInstruction(const QString& text) { mainInstruction_ = text; }
    void SetContent(const QString& text) { content_ = text; }
    void SetMainIcon(TaskDialogIcon icon) { icon_ = icon; }
    void SetCommonButtons(unsigned set) { commonButtons_ = set; }
    void SetFlags(unsigned flags) { flags_ = flags; }
    // Caption of the expand button; the button only shows together with
    // expanded information.
    void SetCollapsedControlText(const QString& text) { collapsedControlText_ = text; }
    void SetExpandedInformation(const QString& text) { expandedInformation_ = text; }

    // Adds a custom button and returns its id.
    int AddButton(const QString& caption);
    void SetButtonEnabled(int id, bool enabled);
    void SetButtonClick(int id, TaskDialogClickHandler handler);
    void ClearButtons() { buttons_.clear(); }

    // Adds a radio button and returns its id.
    int AddRadioButton(const QString& caption, bool isDefault = false);
    void SetRadioButtonEnabled(int id, bool enabled);
    void SetRadioButtonDefault(int id);
    void ClearRadioButtons() { radioButtons_.clear(); }

    // Where the system has a task dialog of its own it is used; tests turn
    // that off, since only the equivalent dialog can be answered from Qt.
    static void SetSystemDialogAllowed(bool allowed);

    // Shows the dialog modally and waits for its end. True unless it could not
    // be shown or ended with Cancel.
    bool Execute();

    // Id of the button that ended the dialog; 0 when it could not be shown.
    int ModalResult() const { return modalResult_; }
    // Id of the radio button selected at the end; 0 when none was or the
    // dialog could not be shown.
    int RadioButtonResult() const { return radioResult_; }

    QWidget* Owner() const { return owner_; }
    const QString& Title() const { return title_; }
    const QString& MainInstruction() const { return mainInstruction_; }
    const QString& Content() const { return content_; }
    TaskDialogIcon MainIcon() const { return icon_; }
    unsigned CommonButtons() const { return commonButtons_; }
    unsigned Flags() const { return flags_; }
    const QString& CollapsedControlText() const { return collapsedControlText_; }
    const QString& ExpandedInformation() const { return expandedInformation_; }
    const std::vector<TaskDialogButton>& Buttons() const { return buttons_; }
    const std::vector<TaskDialogRadioButton>& RadioButtons() const { return radioButtons_; }

    // Escape and the close box end the dialog (with Cancel) only when it has a
    // Cancel button or allows cancellation explicitly.
    bool Cancellable() const;
    // Runs the click handler of a custom button; true when the dialog is to
    // stay open.
    bool RunClickHandler(int id) const;

private:
    TaskDialogButton* FindButton(int id);
    TaskDialogRadioButton* FindRadio(int id);

    QPointer<QWidget> owner_;
    QString title_;
    QString mainInstruction_;
    QString content_;
    TaskDialogIcon icon_ = TaskDialogIcon::None;
    unsigned commonButtons_ = TaskDialogCommon::Ok;
    unsigned flags_ = TaskDialogFlag::Initial;
    QString collapsedControlText_;
    QString expandedInformation_;
    std::vector<TaskDialogButton> buttons_;
    std::vector<TaskDialogRadioButton> radioButtons_;
    int modalResult_ = 0;
    int radioResult_ = 0;
};

// The program's own texts are byte strings in the system's code page; the
// dialog takes UTF-16.
inline QString FromAnsi(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// The content text with every CR LF, LF CR, lone CR or lone LF as one line
// break ("\n"), as the system dialog draws them.
QString NormalizeLineBreaks(const QString& text);

} // namespace vexrem
