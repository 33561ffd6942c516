#include "base/ServerLogPath.h"

QString serverLogPath(const QString &programFolder, const QString &serverName) {
    if (serverName.isEmpty() || serverName.contains(QLatin1Char('/')) ||
        serverName.contains(QLatin1Char('\\')) || serverName == QLatin1String("..") ||
        serverName == QLatin1String("."))
        return QString();
    return programFolder + QStringLiteral("/logs/") + serverName + QStringLiteral(".log");
}
