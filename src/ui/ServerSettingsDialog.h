#pragma once

#include "servers/ServerSettingsRules.h"

#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class ServerEditor;
struct ServerSettings;

// "Server settings": the four fields of one server, in add mode (a new server) or in edit mode
// (the server it was opened for). Modal and on top of the main window; OK hands the fields to the
// server editor and shows its refusal, if any, leaving the fields as typed. A field's refusal
// also shows beside it, from its first edit on, as it is typed.
class ServerSettingsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerSettingsDialog)

public:
    ServerSettingsDialog(ServerEditor *editor, QWidget *parent);
    ~ServerSettingsDialog() override;

    // Opens empty, to add a server.
    void openForAdd();
    // Opens with the fields of the server of that name; false when it no longer exists.
    bool openForEdit(const QString &name);
    bool isEditMode() const { return !m_editedName.isEmpty(); }
    QString editedName() const { return m_editedName; }

    ServerSettings fields() const;
    void setFields(const ServerSettings &settings);

    QLineEdit *nameField() const { return m_name; }
    QLineEdit *hostField() const { return m_host; }
    QLineEdit *portField() const { return m_port; }
    QLineEdit *passwordField() const { return m_password; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    // The refusal shown beside a field; empty while the field passes.
    QString fieldMessage(ServerField field) const;

public slots:
    // OK: the server is added or changed and the dialog closes, or a refusal is shown.
    void accept() override;
    void done(int result) override;

private:
    struct Field {
        QLineEdit *edit = nullptr;
        QLabel *message = nullptr;
    };

    void openDialog();
    QLineEdit *addField(ServerField field, const QString &caption);
    // Shows the field's own refusal beside it, or `refusal` when one is given for it.
    void showFieldMessage(ServerField field,
                          ServerSettingsRefusal refusal = ServerSettingsRefusal::None);
    void clearFieldMessages();

    ServerEditor *m_editor;
    QLineEdit *m_name;
    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QGridLayout *m_grid = nullptr;
    Field m_fields[4];
    QString m_editedName; // empty in add mode
};
