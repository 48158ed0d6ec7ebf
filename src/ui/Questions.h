#pragma once

#include "core/Autostart.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace vexrem {

// Asks which autostart entry there shall be, entry marked; the dialog's two
// command links run showPersonal and showCommon. No answer when it was left
// without a choice.
std::optional<AutostartEntry> AskAutostartEntry(QWidget* parent, AutostartEntry entry,
                                                const std::function<void(bool&)>& showPersonal,
                                                const std::function<void(bool&)>& showCommon);

// Gives the advice on the tray icon's colour depth for the environment found
// and asks whether to use full colour; no answer when the dialog was closed.
std::optional<bool> AskFullColorDepth(QWidget* parent);

enum class ApplyAnswer { Yes, No, Cancel };
// Asks whether changed settings are to be applied before the window closes.
ApplyAnswer AskApplyChanges(QWidget* parent);

} // namespace vexrem
