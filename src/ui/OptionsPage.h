#pragma once

#include "base/ProgramOptions.h"

#include <QWidget>

class Console;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class WebhookField;

// The " Options " tab of the options dialog: the four switches, "Connection infos:", "Get log
// over:" with the start options the chosen source needs, "Fadenkreuz" (on the computer QUIMBEX
// only) and the webhook. Every change is in force at once through the program state and written
// to app.ini at the click ("Show passwords" is never written); a failed write is told in the
// program log. The values live in the console, so the page only shows them.
class OptionsPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsPage)

public:
    explicit OptionsPage(Console *console, QWidget *parent = nullptr);

    // Every time the dialog opens: the controls show the console's current values.
    void refresh();

    // Switches the crosshair overlay over and writes "cross": on when it is off, off when on.
    void Fadenkreuz();

    // The start options the game server needs for a log source, as shown under "Requires server
    // start with:".
    static QString startOptions(int ggl);

    QCheckBox *trayCheck() const { return m_tray; }
    QCheckBox *logCheck() const { return m_log; }
    QCheckBox *passwordsCheck() const { return m_passwords; }
    QCheckBox *backgroundChatCheck() const { return m_backgroundChat; }
    QComboBox *notificationChoice() const { return m_cinfo; }
    QComboBox *logSourceChoice() const { return m_ggl; }
    QLabel *startOptionsLabel() const { return m_startOptions; }
    QPushButton *crosshairButton() const { return m_crosshair; }
    WebhookField *webhookField() const { return m_webhook; }

signals:
    // A choice was made: the dialog moves the focus to "Close".
    void choiceMade();

private:
    QCheckBox *makeSwitch(const QString &caption);
    // Puts the option in force at once, then writes it to app.ini under `key`.
    void setOption(int ProgramOptions::*option, int value, const QString &key);
    void write(const QString &key, int value);

    Console *m_console;
    QCheckBox *m_tray;
    QCheckBox *m_log;
    QCheckBox *m_passwords;
    QCheckBox *m_backgroundChat;
    QComboBox *m_cinfo;
    QComboBox *m_ggl;
    QLabel *m_startOptions;
    QPushButton *m_crosshair;
    WebhookField *m_webhook;
};
