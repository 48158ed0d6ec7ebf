// The questions the settings window asks.
#include "ui/Questions.h"

#include "dialogs/TaskDialog.h"
#include "platform/VMDetection.h"
#include "ui/PlatformTexts.h"

namespace vexrem {

namespace {

QString ColorDepthAdvice() {
    // Line feed before carriage return, twice: the paragraphs' break as the
    // text is stored.
    const QString separator = QStringLiteral("\n\r\n\r");
    QString environment;
    if (DetectedWine()) {
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

std::optional<AutostartEntry> AskAutostartEntry(QWidget* parent, AutostartEntry entry,
                                                const std::function<void(bool&)>& showPersonal,
                                                const std::function<void(bool&)>& showCommon) {
    TTaskDialog dlg(parent);
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
    dlg.SetButtonClick(dlg.AddButton(QStringLiteral("Persönlichen Autostart öffnen")),
                       showPersonal);
    dlg.SetButtonClick(dlg.AddButton(QStringLiteral("Gemeinsamen Autostart öffnen")), showCommon);

    dlg.Execute();

    const int choice = dlg.RadioButtonResult();
    if (choice == rbNone) {
        return AutostartEntry::None;
    }
    if (choice == rbPersonal) {
        return AutostartEntry::Personal;
    }
    if (choice == rbCommon) {
        return AutostartEntry::Common;
    }
    return std::nullopt;
}

std::optional<bool> AskFullColorDepth(QWidget* parent) {
    TTaskDialog dlg(parent);
    dlg.SetTitle(QStringLiteral("Farbtiefe des Tray-Icons"));
    dlg.SetMainInstruction(QStringLiteral("Volle Farbtiefe verwenden?"));
    dlg.SetContent(ColorDepthAdvice());
    dlg.SetMainIcon(TaskDialogIcon::Warning);
    dlg.SetCommonButtons(0);
    dlg.ClearButtons();
    const int yes = dlg.AddButton(QStringLiteral("Ja"));
    const int no = dlg.AddButton(QStringLiteral("Nein"));
    dlg.Execute();
    if (dlg.ModalResult() == yes) {
        return true;
    }
    if (dlg.ModalResult() == no) {
        return false;
    }
    return std::nullopt;
}

ApplyAnswer AskApplyChanges(QWidget* parent) {
    TTaskDialog dlg(parent);
    dlg.SetTitle(QStringLiteral("VexelReminder - Geänderte Einstellungen"));
    dlg.SetMainInstruction(QStringLiteral("Geänderte Einstellungen übernehmen?"));
    dlg.SetContent(QStringLiteral("Einige der Einstellungen wurden verändert, aber noch nicht "
                                  "übernommen. Sollen die Änderungen jetzt angewandt werden?"));
    dlg.SetMainIcon(TaskDialogIcon::Warning);
    dlg.SetCommonButtons(0);
    const int yes = dlg.AddButton(QStringLiteral("Ja"));
    dlg.AddButton(QStringLiteral("Nein"));
    const int cancel = dlg.AddButton(QStringLiteral("Abbrechen"));
    dlg.Execute();
    if (dlg.ModalResult() == cancel) {
        return ApplyAnswer::Cancel;
    }
    return dlg.ModalResult() == yes ? ApplyAnswer::Yes : ApplyAnswer::No;
}

} // namespace vexrem
