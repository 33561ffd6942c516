#include "commands/ScriptFolder.h"

#include "base/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
const QString kExtension = QStringLiteral(".kvs");
const QString kCopySuffix = QStringLiteral(" - copy");

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

// Two names that lead to the same file on this platform's file system.
bool sameFile(const QString &a, const QString &b) {
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}
} // namespace

ScriptFolder::ScriptFolder(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_path(programFolder + QStringLiteral("/scripts")) {}

QString ScriptFolder::filePath(const QString &name) const {
    return m_path + QLatin1Char('/') + name + kExtension;
}

bool ScriptFolder::isValidName(const QString &name) {
    if (name.isEmpty() || name.at(0) == QLatin1Char(' '))
        return false;
    for (const QChar c : name) {
        if (QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    }
    return !name.toLower().contains(QLatin1String("lechmichdochtesttext"));
}

QStringList ScriptFolder::ListscriptDir() {
    const QStringList files = QDir(m_path).entryList(
        {QStringLiteral("*") + kExtension}, QDir::Files | QDir::Hidden | QDir::CaseSensitive,
        QDir::Name | QDir::IgnoreCase);
    m_names.clear();
    for (const QString &file : files) {
        // A file named only ".kvs" has no name to offer.
        if (file.size() > kExtension.size())
            m_names << file.chopped(kExtension.size());
    }
    emit listChanged(m_names);
    return m_names;
}

bool ScriptFolder::read(const QString &name, ScriptFile *script, QString *error) const {
    QByteArray bytes;
    QString reason;
    switch (WholeFile::read(filePath(name), &bytes, &reason)) {
    case WholeFile::ReadResult::Read:
        *script = ScriptFile::decode(bytes);
        return true;
    case WholeFile::ReadResult::Missing:
        setError(error, tr("The script file %1 does not exist").arg(filePath(name)));
        return false;
    case WholeFile::ReadResult::Failed:
        break;
    }
    setError(error, reason);
    return false;
}

bool ScriptFolder::writeFile(const QString &name, const QByteArray &bytes, QString *error) {
    if (!QDir().mkpath(m_path)) {
        setError(error, tr("The folder %1 cannot be created").arg(m_path));
        return false;
    }
    return WholeFile::write(filePath(name), bytes, error);
}

ScriptFolder::SaveResult ScriptFolder::save(const QString &openedName, const QString &name,
                                            const ScriptFile &script, bool overwrite,
                                            QString *error) {
    if (!isValidName(name))
        return SaveResult::InvalidName;
    const bool sameName = !openedName.isEmpty() && name == openedName;
    if (!sameName && !overwrite && QFileInfo::exists(filePath(name)))
        return SaveResult::NameExists;
    if (!writeFile(name, script.encode(), error))
        return SaveResult::Failed;
    // A rename removes the old file only once the new one holds the text.
    if (!openedName.isEmpty() && !sameName && !sameFile(openedName, name))
        QFile::remove(filePath(openedName));
    ListscriptDir();
    return SaveResult::Saved;
}

QString ScriptFolder::copy(const QString &name, QString *error) {
    QByteArray bytes;
    QString reason;
    if (WholeFile::read(filePath(name), &bytes, &reason) != WholeFile::ReadResult::Read) {
        setError(error, reason.isEmpty()
                            ? tr("The script file %1 does not exist").arg(filePath(name))
                            : reason);
        return QString();
    }
    const QStringList taken = ListscriptDir();
    QString copyName = name + kCopySuffix;
    while (taken.contains(copyName))
        copyName += kCopySuffix;
    if (!writeFile(copyName, bytes, error))
        return QString();
    ListscriptDir();
    return copyName;
}

bool ScriptFolder::remove(const QString &name, QString *error) {
    QFile file(filePath(name));
    const bool removed = file.remove();
    if (!removed)
        setError(error, file.errorString());
    ListscriptDir();
    return removed;
}
