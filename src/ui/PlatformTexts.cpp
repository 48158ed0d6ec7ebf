#include "ui/PlatformTexts.h"

#include <QSysInfo>

namespace vexrem {

QString BalloonCheckHint() {
#ifdef Q_OS_WIN
    return QStringLiteral("Prüft, ob in der Registry das Anzeigen von Balloons erlaubt wird.");
#else
    return QStringLiteral("Prüft, ob ein Benachrichtigungsdienst des Desktops erreichbar ist "
                          "oder der Infobereich selbst Meldungen anzeigen kann.");
#endif
}

QString NativeSystemName() {
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QSysInfo::kernelType();
#endif
}

} // namespace vexrem
