#pragma once
// Which control of the settings window shows which setting: one table that
// filling the controls, comparing them with the settings and taking them over
// all go through. A new setting on a page is one line there.

#include "config/Config.h"
#include "ui/SettingsPages.h"

#include <functional>

namespace vexrem {

// Every bound control's value from the settings.
void SettingsToControls(const ConfigSettings& c, TMainWinUi& ui);
// Whether any bound control shows something other than its setting, read the
// way ControlsToSettings would take it.
bool ControlsDiffer(const TMainWinUi& ui, const ConfigSettings& c);
// Every bound control's value into its setting.
void ControlsToSettings(const TMainWinUi& ui, ConfigSettings& c);
// A spin edit whose text is not a number counts as its minimum; one typed
// past the maximum (the box corrects it only when left) as its maximum.
int SpinValue(const QSpinBox* s);
// Calls changed(control) whenever a bound control is edited, typed into or
// toggled; receiver owns the connections.
void ConnectBoundControls(TMainWinUi& ui, QObject* receiver,
                          const std::function<void(QObject*)>& changed);

} // namespace vexrem
