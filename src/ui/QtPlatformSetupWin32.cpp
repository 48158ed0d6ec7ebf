#include "ui/QtPlatformSetup.h"

#include "platform/win32/Win32Platform.h"

#include <QByteArray>
#include <QtGlobal>

namespace vexrem {

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
