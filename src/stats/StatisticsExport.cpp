#include "stats/StatisticsExport.h"

#include "base/Clock.h"
#include "base/TextFile.h"
#include "base/WholeFile.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsCsv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
QString tr(const char *text) {
    return QCoreApplication::translate("StatisticsExport", text);
}
} // namespace

bool StatisticsExport::run(const QString &programFolder, const QString &target, QString *error) {
    const QString logPath = programFolder + QStringLiteral("/logs/kvd.log");
    if (!QFileInfo(logPath).isFile()) {
        *error = tr("no program log at %1").arg(QDir::toNativeSeparators(logPath));
        return false;
    }
    bool read = false;
    const QStringList lines = TextFile::readLines(logPath, &read);
    if (!read) {
        *error = tr("cannot read %1").arg(QDir::toNativeSeparators(logPath));
        return false;
    }
    const QByteArray csv = StatisticsCsv::encode(BuildStatistics(lines, Clock::today()));

    QString reason;
    if (target == QLatin1String(kStandardOutput)) {
        QFile out;
        const bool written = out.open(stdout, QIODevice::WriteOnly) &&
                             WholeFile::writeTo(&out, csv, &reason) && out.flush();
        if (!written) {
            *error = tr("cannot write to standard output: %1")
                         .arg(reason.isEmpty() ? out.errorString() : reason);
            return false;
        }
        return true;
    }
    if (!WholeFile::write(target, csv, &reason)) {
        *error = tr("cannot write %1: %2").arg(QDir::toNativeSeparators(target), reason);
        return false;
    }
    return true;
}
