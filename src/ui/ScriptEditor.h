#pragma once

#include "commands/ScriptFile.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ScriptFolder;

// "Script editor": a script's name and text, a short help and a link to the game's console
// commands. "Ok" saves (an edit under a new name is a rename), "Cancel" leaves the files alone.
// The opened name is what an edit saves over; it is empty for a new script, so a new script never
// removes another script's file.
class ScriptEditor final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptEditor)

public:
    explicit ScriptEditor(ScriptFolder *scripts, QWidget *parent = nullptr);

    // The help shown below the text, seven lines.
    static QString helpText();
    // The public page that lists the game's console commands.
    static QUrl consoleCommandsPage();

    // "New": an empty name and text, no opened name; then the editor runs. True when it saved.
    bool editNew();
    // "Edit": the script's name and text, opened under its name; then the editor runs. False
    // without running it when the file cannot be read (the operator is told).
    bool editScript(const QString &name);

    QString openedName() const { return m_openedName; }
    void clearOpenedName() { m_openedName.clear(); }

    QLineEdit *nameField() const { return m_name; }
    QPlainTextEdit *textArea() const { return m_text; }
    QLabel *helpLabel() const { return m_help; }
    QLabel *linkLabel() const { return m_link; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void reject() override;

private:
    bool runEditor();
    void save();

    ScriptFolder *m_scripts;
    QLineEdit *m_name;
    QPlainTextEdit *m_text;
    QLabel *m_help;
    QLabel *m_link;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QString m_openedName;
    ScriptFile::Encoding m_encoding = ScriptFile::Encoding::Ansi;
};
