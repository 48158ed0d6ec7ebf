#include "ui/QtPlatformSetup.h"

#include <QByteArray>
#include <QtGlobal>

#include <windows.h>

namespace vexrem {

namespace {
bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
} // namespace

void PrepareQtPlatform() {
    // Under WINE the system's font engine leaves the text of edit fields
    // undrawn (labels and buttons show, the player name and the numbers do
    // not); Qt's own FreeType engine draws all of it. A platform the user
    // chose is left alone.
    if (RunsUnderWine() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("windows:fontengine=freetype"));
    }
}

} // namespace vexrem
