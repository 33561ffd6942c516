#pragma once

#include "commands/ScriptFile.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The folder "scripts" in the program folder: one "<name>.kvs" file per script, the name list
// the script menu and the options dialog show, and the file work behind New, Copy, Edit, Delete
// and the editor's Ok.
class ScriptFolder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptFolder)

public:
    enum class SaveResult {
        Saved,
        InvalidName, // the caller says "Invalid scriptname!"
        NameExists,  // the caller asks "Scriptname already exists, overwrite?" and saves again
        Failed,      // the reason is in `error`
    };

    explicit ScriptFolder(const QString &programFolder, QObject *parent = nullptr);

    QString path() const { return m_path; }
    QString filePath(const QString &name) const;

    // Not empty, no blank first, none of \ / : * ? " < > |, and not the editor's test word.
    static bool isValidName(const QString &name);

    // Rebuilds the name list from the "*.kvs" files of the folder (folders skipped), sorted by
    // name without regard to letter case.
    QStringList ListscriptDir();
    QStringList names() const { return m_names; }

    bool read(const QString &name, ScriptFile *script, QString *error = nullptr) const;

    // The editor's Ok. `openedName` is the name the script was opened under (empty for a new
    // one); a different `name` renames it. An existing file of `name` is replaced only with
    // `overwrite`, which the caller sets after the operator agreed.
    SaveResult save(const QString &openedName, const QString &name, const ScriptFile &script,
                    bool overwrite, QString *error = nullptr);

    // A copy under the name followed by " - copy" (again while that name is taken); the new
    // name, or an empty text with the reason in `error`.
    QString copy(const QString &name, QString *error = nullptr);
    bool remove(const QString &name, QString *error = nullptr);

signals:
    // After every rebuild of the name list: the script menu and the options dialog follow it.
    void listChanged(const QStringList &names);

private:
    bool writeFile(const QString &name, const QByteArray &bytes, QString *error);

    QString m_path;
    QStringList m_names;
};
