// Autostart entry and the colour-depth advice, asked from the settings window.
#include "ui/MainWin.h"

#include "core/Autostart.h"
#include "dialogs/TaskDialog.h"
#include "platform/Platform.h"
#include "platform/StartupLink.h"
#include "platform/VMDetection.h"
#include "ui/PlatformTexts.h"

#include <QRadioButton>

#include <cerrno>

namespace vexrem {

namespace {

// Opens a startup folder in the desktop's file manager. The personal one is
// created first when it is missing (it lies in the user's own configuration
// folder), so the user sees the place where the entry goes.
void OpenStartupFolder(int csidl) {
    const std::string folder = Platform().SpecialFolderPath(csidl);
    if (folder.empty()) {
        throw PlatformError(Platform().ErrorText(ENOENT));
    }
    if (csidl == CsidlStartup && !Platform().DirectoryExists(folder)) {
        Platform().MakeDirectory(folder);
    }
    if (!Platform().DirectoryExists(folder)) {
        throw PlatformError(folder + ": " + Platform().ErrorText(ENOENT));
    }
    Platform().ShellOpen(folder);
}

QString ColorDepthAdvice() {
    // Line feed before carriage return, twice: the break the dialog has
    // always been given.
    const QString separator = QStringLiteral("\n\r\n\r");
    QString environment;
    if (NotNativeEnvironment && DetectedEnvironment == EnvironmentKind::WINE) {
        environment = QStringLiteral(
            "Der VexelReminder scheint unter WINE ausgeführt zu werden. Vermutlich wirst du nur "
            "die farbreduzierten Icons gut sehen können.");
    } else if (NotNativeEnvironment) {
        environment = QStringLiteral("Der VexelReminder scheint in einer VM (") +
                      FromAnsi(EnvironmentName(DetectedEnvironment).value_or(std::string())) +
                      QStringLiteral(") zu laufen. Da solltest du die normalen Icons verwenden "
                                     "können.");
    } else {
        environment = QStringLiteral("Der VexelReminder scheint zurzeit in einer nativen ") +
                      NativeSystemName() +
                      QStringLiteral("-Umgebung zu laufen. Die Darstellung des normalen Icons "
                                     "sollte keine Probleme bereiten.");
    }
    return QStringLiteral("Unter WINE und womöglich auch in anderen Situationen wird das "
                          "Tray-Icon eventuell nicht erkenntlich dargestellt. ") +
           QStringLiteral("Sollte das der Fall sein, kann die Verwendung eines farbreduzierten "
                          "Icon-Sets Abhilfe schaffen. ") +
           QStringLiteral("Solange die Darstellung keine Probleme bereitet, kannst Du die volle "
                          "Farbtiefe aktiviert lassen.") +
           separator + environment + separator +
           QStringLiteral("Soll das Tray-Icon in voller Farbtiefe verwendet werden?");
}

} // namespace

void TMainWin::btnAddAutostartClick() {
    const AutostartPlaces places = AutostartLinkPaths();
    const AutostartEntry entry = FindAutostartEntry(places);

    TTaskDialog dlg(this);
    dlg.SetTitle(QStringLiteral("Autostart"));
    dlg.SetMainInstruction(QStringLiteral("VexelReminder in Autostart eintragen?"));
    dlg.SetContent(
        QStringLiteral("Mittels dieser Funktion kannst du den VexelReminder bei jedem "
                       "Systemstart ausführen lassen. ") +
        QStringLiteral("Dabei wird kein Eintrag in die Registry geschrieben, sondern ein "
                       "Shortcut in deinem persönlichen Startup-Ordner oder dem für alle "
                       "Benutzer angelegt. ") +
        QStringLiteral("Soll der VexelReminder im Autostart eingetragen sein?") +
        QStringLiteral("\n\r"));
    dlg.SetFlags(TaskDialogFlag::UseCommandLinks);
    dlg.SetCollapsedControlText(QStringLiteral("Zeige Ordner"));
    dlg.SetCommonButtons(TaskDialogCommon::Ok);
    dlg.SetMainIcon(TaskDialogIcon::Information);
    dlg.ClearRadioButtons();
    const int rbNone =
        dlg.AddRadioButton(QStringLiteral("Kein Eintrag"), entry == AutostartEntry::None);
    const int rbPersonal =
        dlg.AddRadioButton(QStringLiteral("Persönlich"), entry == AutostartEntry::Personal);
    const int rbCommon =
        dlg.AddRadioButton(QStringLiteral("Für alle"), entry == AutostartEntry::Common);
    const int showPersonal = dlg.AddButton(QStringLiteral("Persönlichen Autostart öffnen"));
    dlg.SetButtonClick(showPersonal,
                       [this](bool& keepOpen) { autostartDlg_ShowPersonalClick(keepOpen); });
    const int showCommon = dlg.AddButton(QStringLiteral("Gemeinsamen Autostart öffnen"));
    dlg.SetButtonClick(showCommon,
                       [this](bool& keepOpen) { autostartDlg_ShowCommonClick(keepOpen); });

    dlg.Execute();

    const int choice = dlg.RadioButtonResult();
    if (choice == rbNone) {
        ApplyAutostartChoice(AutostartEntry::None, places);
    } else if (choice == rbPersonal) {
        ApplyAutostartChoice(AutostartEntry::Personal, places);
    } else if (choice == rbCommon) {
        ApplyAutostartChoice(AutostartEntry::Common, places);
    }
}

void TMainWin::autostartDlg_ShowPersonalClick(bool& keepOpen) {
    keepOpen = true;
    ReportErrors([] { OpenStartupFolder(CsidlStartup); });
}

void TMainWin::autostartDlg_ShowCommonClick(bool& keepOpen) {
    keepOpen = true;
    ReportErrors([] { OpenStartupFolder(CsidlCommonStartup); });
}

void TMainWin::labColorDepthClick() {
    TTaskDialog dlg(this);
    dlg.SetTitle(QStringLiteral("Farbtiefe des Tray-Icons"));
    dlg.SetMainInstruction(QStringLiteral("Volle Farbtiefe verwenden?"));
    dlg.SetContent(ColorDepthAdvice());
    dlg.SetMainIcon(TaskDialogIcon::Warning);
    dlg.SetCommonButtons(0);
    dlg.ClearButtons();
    const int yes = dlg.AddButton(QStringLiteral("Ja"));
    const int no = dlg.AddButton(QStringLiteral("Nein"));
    dlg.Execute();
    // Like a click on the radio button: its toggled signal marks the page as
    // changed, and nothing is stored before the settings are applied.
    if (dlg.ModalResult() == yes) {
        ui_.rbTrayIconStandard->setChecked(true);
    } else if (dlg.ModalResult() == no) {
        ui_.rbTrayIcon16Cols->setChecked(true);
    }
}

} // namespace vexrem
