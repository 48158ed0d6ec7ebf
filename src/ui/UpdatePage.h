#pragma once

#include "ui/SettingsPages.h"

namespace vexrem {

struct rUpdateResult;

// Whether a finished check lists versions to show (the window comes up).
bool ListsVersions(const rUpdateResult& result);

// Fills the Update page from a finished check. True when it lists versions
// to show: the window comes up with the page.
bool FillUpdatePage(TMainWinUi& ui, const rUpdateResult& result);

} // namespace vexrem
