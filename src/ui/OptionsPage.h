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
// only) and the webhook. Every change goes to the console's settings, which put it in force at once
// and write it to app.ini ("Show passwords" is never written); the page only shows the values. The
// switches follow their state, however it changes: a click, Space, or an assistive technology's
// toggle action.
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
    static QString startOptions(LogSource source);

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
