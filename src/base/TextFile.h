#pragma once

#include <QString>
#include <QStringList>

// Whole-file line I/O of the program-log files: Windows-1252, each line ended by CR LF.
namespace TextFile {

// Written atomically: a crash or a full disk leaves the previous file intact.
bool writeLines(const QString &path, const QStringList &lines, QString *error = nullptr);

// Lines split at LF (a CR before it is dropped); a BOM selects UTF-8 or UTF-16. A missing file
// gives an empty list; `ok` tells a missing file (true) from one that could not be read.
QStringList readLines(const QString &path, bool *ok = nullptr);

} // namespace TextFile
