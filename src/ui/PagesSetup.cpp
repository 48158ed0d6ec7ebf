#include "ui/PagesSetup.h"

#include "platform/Platform.h"
#include "status/GameLinks.h"
#include "ui/IniFileLine.h"
#include "ui/SystemUiFont.h"
#include "update/ExeVersion.h"

namespace vexrem {

std::array<std::pair<ClickableLabel*, AboutLink>, 4> AboutLinkLabels(const TMainWinUi& ui) {
    return {{{ui.labLinkVexelfeld, AboutLink::Vexelfeld},
             {ui.labLinkVexelReminder, AboutLink::VexelReminder},
             {ui.labLinkPim, AboutLink::Pim},
             {ui.labLinkEclipsePlugin, AboutLink::EclipsePlugin}}};
}

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
    for (const auto& [label, link] : AboutLinkLabels(ui)) {
        label->setText(QString::fromLocal8Bit(AboutLinkCaption(link)));
        label->setToolTip(QString::fromLocal8Bit(AboutLinkHint(link)));
    }
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
