#include "update/UpdaterScript.h"

#include "base/AnsiCodec.h"

#include <QFile>

namespace {
QString quoted(const QString &name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// A name that cmd would split or interpret goes in quotes; "kvd.exe" stays bare.
QString batchWord(const QString &name) {
    static const QString special = QStringLiteral(" &()^;,=!'+[]{}~`");
    for (const QChar c : name) {
        if (special.contains(c))
            return quoted(name);
    }
    return name;
}

QString batchStart(const QString &executable) {
    const QString word = batchWord(executable);
    // A quoted first argument of "start" would be taken as the window title.
    const QString command = word.startsWith(QLatin1Char('"')) ? QStringLiteral("start \"\" ") + word
                                                              : QStringLiteral("start ") + word;
    return QStringLiteral("if exist ") + quoted(executable) + QLatin1Char(' ') + command;
}

QString shellWord(const QString &name) {
    QString text = name;
    text.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QByteArray joined(const QStringList &lines, const char *lineBreak,
                  QByteArray (*encode)(const QString &)) {
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += encode(line);
        bytes += lineBreak;
    }
    return bytes;
}

QByteArray localName(const QString &text) {
    return QFile::encodeName(text);
}
} // namespace

QStringList UpdaterScript::batchLines(const QString &executable) {
    const QString download = downloadName();
    const QString start = batchStart(executable);
    return {
        QStringLiteral("@echo off"),
        QStringLiteral("echo."),
        QStringLiteral("echo    Updating Corvid RCON Admin..."),
        QStringLiteral("timeout 2 >nul"),
        QStringLiteral("tasklist |find /i ") + quoted(executable) + QStringLiteral(" >nul"),
        QStringLiteral("if %errorlevel% == 0 (taskkill /f /im ") + batchWord(executable) +
            QStringLiteral(" >nul)"),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("if exist ") + quoted(download) +
            QStringLiteral(" (goto ok) else (goto notok)"),
        QStringLiteral(":ok"),
        QStringLiteral("del ") + batchWord(executable),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("ren ") + download + QLatin1Char(' ') + batchWord(executable),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("cls"),
        QStringLiteral("echo."),
        QStringLiteral("echo    Update successful !"),
        QStringLiteral("timeout 2 >nul"),
        start,
        QStringLiteral("del ") + batchName(),
        QStringLiteral("exit /b"),
        QStringLiteral(":notok"),
        QStringLiteral("cls"),
        QStringLiteral("echo Error updating Corvid RCON Admin"),
        QStringLiteral("timeout 3 >nul"),
        start,
        QStringLiteral("del ") + batchName(),
        QStringLiteral("exit /b"),
    };
}

QByteArray UpdaterScript::batchFile(const QStringList &lines) {
    return joined(lines, "\r\n", &AnsiCodec::encode);
}

QStringList UpdaterScript::shellLines(const QString &executable, qint64 pid, int mode) {
    const QString program = shellWord(executable);
    const QString download = shellWord(downloadName());
    const QString alive = QStringLiteral("kill -0 %1 2>/dev/null").arg(pid);
    const QString start = QStringLiteral("if [ -f %1 ]; then nohup %2 >/dev/null 2>&1 & fi")
                              .arg(program, shellWord(QStringLiteral("./") + executable));
    const QString indent = QStringLiteral("    ");
    return {
        QStringLiteral("#!/bin/sh"),
        QStringLiteral("cd \"$(dirname \"$0\")\" || exit 1"),
        QStringLiteral("echo"),
        QStringLiteral("echo \"   Updating Corvid RCON Admin...\""),
        QStringLiteral("sleep 2"),
        QStringLiteral("n=0"),
        QStringLiteral("while %1 && [ \"$n\" -lt %2 ]; do sleep 1; n=$((n + 1)); done")
            .arg(alive)
            .arg(kShellWaitSeconds),
        QStringLiteral("sleep 1"),
        QStringLiteral("if [ -f %1 ]; then").arg(download),
        indent + QStringLiteral("chmod %1 %2").arg(QString::number(mode & 07777, 8), download),
        indent + QStringLiteral("rm -f ") + program,
        indent + QStringLiteral("sleep 1"),
        indent + QStringLiteral("mv %1 %2").arg(download, program),
        indent + QStringLiteral("sleep 1"),
        indent + QStringLiteral("clear 2>/dev/null"),
        indent + QStringLiteral("echo"),
        indent + QStringLiteral("echo \"   Update successful !\""),
        indent + QStringLiteral("sleep 2"),
        indent + start,
        indent + QStringLiteral("rm -f \"$0\""),
        indent + QStringLiteral("exit 0"),
        QStringLiteral("fi"),
        QStringLiteral("clear 2>/dev/null"),
        QStringLiteral("echo \"Error updating Corvid RCON Admin\""),
        QStringLiteral("sleep 3"),
        start,
        QStringLiteral("rm -f \"$0\""),
        QStringLiteral("exit 1"),
    };
}

QByteArray UpdaterScript::shellFile(const QStringList &lines) {
    return joined(lines, "\n", &localName);
}
