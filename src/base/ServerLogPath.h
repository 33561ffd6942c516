#pragma once

#include <QString>

// The log file of one server: "logs/" + server name + ".log" in the program folder. A name that
// would reach outside the logs folder has no file: the result is then empty.
QString serverLogPath(const QString &programFolder, const QString &serverName);
