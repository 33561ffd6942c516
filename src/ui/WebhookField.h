#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class Settings;
class WebhookPoster;

// The webhook setting as the options dialog shows it: "Webhook URL:" with its field, a "Test"
// button and a line that says how the last change or test went. When editing ends a change goes to
// the settings, which put it in use at once and write it to app.ini ("[Notify] webhook=").
class WebhookField final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebhookField)

public:
    // `poster` is the one `settings` changes; the field shows its address and runs its test.
    WebhookField(WebhookPoster *poster, Settings *settings, QWidget *parent = nullptr);

    QLineEdit *urlEdit() const { return m_edit; }
    QPushButton *testButton() const { return m_test; }
    QLabel *statusLabel() const { return m_status; }
    QString statusText() const;
    // Shows the address in use and its state again (the dialog opens; app.ini was read).
    void refresh();

private:
    // False when the field holds no usable address; the status then says so.
    bool apply();
    void runTest();
    void showTestResult(bool arrived, const QString &text);
    void showState();

    QPointer<WebhookPoster> m_poster;
    QPointer<Settings> m_settings;
    QLineEdit *m_edit;
    QPushButton *m_test;
    QLabel *m_status;
};
