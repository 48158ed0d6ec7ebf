#pragma once
// Dialogs behind the links and help images of the settings window.

#include <optional>

class QWidget;

namespace vexrem {

// The help image beside the Zavazuzeza check box: explains the choice and asks
// whether it is to be on. checked is the box's current state. Returns the
// state to give the box, or nothing when it stays as it is (the answer
// matches it already, or no answer came). A returned state counts as a change
// of the settings page, like a click on the box.
std::optional<bool> ShowZavazuzezaHelp(QWidget* owner, bool checked);

} // namespace vexrem
