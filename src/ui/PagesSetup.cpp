#include "ui/PagesSetup.h"

#include "platform/Platform.h"
#include "ui/IniFileLine.h"
#include "ui/SystemUiFont.h"
#include "update/ExeVersion.h"

namespace vexrem {

void SetUpPages(TMainWinUi& ui, QDialog* window, const std::string& iniFile,
                const std::string& section) {
    ui.setupUi(window);
    // Only where the system has the newer UI font.
    const bool systemFont = Platform().IsVistaOrLater();
    if (systemFont) {
        UseSystemUiFont(*window);
    }
    ui.XPPageControl->setCurrentWidget(ui.tsBasics);
    ShowIniFileLine(*ui.labFilename, iniFile, section);
    const QString version = QString::fromStdString(GetExeVersion());
    ui.labMyVersion->setText(version);
    ui.labProgName->setText(ui.labProgName->text() + QStringLiteral(" V.") + version);
    // Labels with a font of their own follow the adapted system font.
    if (systemFont) {
        FollowUiFont(*ui.cbShowBalloon,
                     {ui.labAutostart, ui.labColorDepth, ui.labLinkVexelfeld,
                      ui.labLinkVexelReminder, ui.labLinkPim, ui.labLinkEclipsePlugin,
                      ui.labBalloonReg, ui.labUpdLink},
                     ui.labProgName);
    }
}

} // namespace vexrem
