#pragma once
// What the settings pages show from the start that comes from the program
// and the system: the system's font, the INI line, the version.

#include "ui/SettingsPages.h"

#include <string>

namespace vexrem {

// Makes the pages in window and fills in what comes from the program and the
// system; the INI line names iniFile and section.
void SetUpPages(TMainWinUi& ui, QDialog* window, const std::string& iniFile,
                const std::string& section);

} // namespace vexrem
