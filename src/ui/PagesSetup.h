#pragma once
// What the settings pages show from the start that their forms cannot say:
// the system's font, the INI line, the version, the captions of the links.

#include "status/GameLinks.h"
#include "ui/SettingsPages.h"

#include <array>
#include <string>
#include <utility>

namespace vexrem {

// The labels of the About page's links, with the link each opens.
std::array<std::pair<ClickableLabel*, AboutLink>, 4> AboutLinkLabels(const TMainWinUi& ui);

// Makes the pages in window and fills in what comes from the program and the
// system; the INI line names iniFile and section.
void SetUpPages(TMainWinUi& ui, QDialog* window, const std::string& iniFile,
                const std::string& section);

} // namespace vexrem
