#pragma once

#include <QString>

// The statistics of a program folder's log, written as CSV without starting the console.
namespace StatisticsExport {

constexpr const char *kStandardOutput = "-";

// Builds the statistics of "logs/kvd.log" under `programFolder` and writes them to the file
// `target`, or to standard output when it is "-". Writes nothing else. False with the reason in
// `error` when the log is missing or unreadable or the file cannot be written.
bool run(const QString &programFolder, const QString &target, QString *error);

} // namespace StatisticsExport
