#include "ui/LinkDialogs.h"

#include "dialogs/TaskDialog.h"

namespace vexrem {

namespace {

const char* const kZavazuzezaTitle = "Zavazuzeza - Info";
const char* const kZavazuzezaInstruction = "Frameset direkt aufrufen?";
const char* const kZavazuzezaContent =
    "Wenn der Zavazuzeza aktiviert ist, wird beim Aufruf von Seiten auf Vexelfeld eine URL "
    "verwendet, die den Browser zum Frameset mit dem aktuellen Spiel bzw der Dransei-Seite "
    "weiterleitet. "
    "Dies funktioniert m\u00f6glicherweise nicht mit allen Browsern. "
    "Am besten, du l\u00e4sst den Zavazuzeza aktiviert, solange es keine Probleme gibt, und "
    "deaktivierst ihn im Bedarfsfall."
    "\n\r\n\r"
    "Soll der Zavazuzeza aktiviert sein?";

} // namespace

std::optional<bool> ShowZavazuzezaHelp(QWidget* owner, bool checked) {
    TTaskDialog dlg(owner);
    dlg.SetTitle(QString::fromUtf8(kZavazuzezaTitle));
    dlg.SetMainInstruction(QString::fromUtf8(kZavazuzezaInstruction));
    dlg.SetContent(QString::fromUtf8(kZavazuzezaContent));
    dlg.SetCommonButtons(0);
    dlg.SetMainIcon(TaskDialogIcon::Warning);
    const int yes = dlg.AddButton(QStringLiteral("Ja"));
    const int no = dlg.AddButton(QStringLiteral("Nein"));
    dlg.Execute();

    std::optional<bool> wanted;
    if (dlg.ModalResult() == yes) {
        wanted = true;
    } else if (dlg.ModalResult() == no) {
        wanted = false;
    }
    if (wanted == checked) {
        return std::nullopt;
    }
    return wanted;
}

} // namespace vexrem
