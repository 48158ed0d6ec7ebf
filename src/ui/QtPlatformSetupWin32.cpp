#include "ui/QtPlatformSetup.h"

#include "platform/win32/Win32Platform.h"

#include <QByteArray>
#include <QDir>
#include <QFontDatabase>
#include <QString>
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

void AddSystemFonts() {
    // Qt's font database here knows only the fonts that the registry lists,
    // and WINE does not list its own, Tahoma (the system font there) among
    // them: every text would fall back to whatever font comes first. WINE
    // names its data folder in the environment, as "\??\Z:\usr\share\wine".
    if (!RunsUnderWine()) {
        return;
    }
    QString data = qEnvironmentVariable("WINEDATADIR");
    if (data.startsWith(QStringLiteral("\\??\\"))) {
        data.remove(0, 4);
    }
    if (data.isEmpty()) {
        return;
    }
    const QDir fonts(data + QStringLiteral("\\fonts"));
    for (const QString& name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
        QFontDatabase::addApplicationFont(fonts.filePath(name));
    }
}

} // namespace vexrem
