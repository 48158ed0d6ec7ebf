#pragma once
// The equivalent task dialog built from Qt widgets: used wherever the system
// has no task dialog of its own (every platform but Windows Vista and later).
//
// Layout as the system's: a white area with the icon, the main instruction as
// a blue heading, the content, the radio buttons and the command links; below
// it a grey strip with the expand button and the push buttons.

#include <QDialog>

#include <vector>

class QAbstractButton;
class QRadioButton;
class QPushButton;
class QLabel;
class QLayout;

class QVBoxLayout;

namespace vexrem {

class TTaskDialog;

// Object names of the parts, so tests and tools can find them.
namespace TaskDialogPart {
inline constexpr const char* MainInstruction = "mainInstruction";
inline constexpr const char* Content = "content";
inline constexpr const char* Icon = "mainIcon"; // property "iconKind"
inline constexpr const char* ExpandButton = "expandButton";
inline constexpr const char* ExpandedInformation = "expandedInformation";
} // namespace TaskDialogPart

class TaskDialogForm : public QDialog {
    Q_OBJECT
public:
    // dlg must outlive the form; its owner becomes the form's parent.
    explicit TaskDialogForm(const TTaskDialog& dlg);

    int ButtonResult() const { return button_; }
    int RadioResult() const;

    void reject() override;

private:
    void BuildTop(QWidget* area);
    void BuildRadioButtons(QWidget* area, QVBoxLayout* column);
    void BuildCommandLinks(QWidget* area, QVBoxLayout* column);
    void BuildBottom(QWidget* area);
    void AddPushButton(QLayout* row, int id, const QString& caption, bool enabled, bool custom);
    void Finish(int id);
    void OnCustomClicked(int id);

    const TTaskDialog& dlg_;
    int button_ = 0;
    QPushButton* firstButton_ = nullptr;
    std::vector<std::pair<int, QRadioButton*>> radios_;
};

} // namespace vexrem
