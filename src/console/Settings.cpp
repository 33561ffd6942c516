#include "console/Settings.h"

#include "base/Logging.h"
#include "base/ProgramState.h"
#include "notify/WebhookPoster.h"

#include <QUrl>

Settings::Settings(const QString &path, ProgramState *state, WebhookPoster *webhook,
                   QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_state(state)
    , m_webhook(webhook) {}

bool Settings::load() {
    m_hadFile = AppSettings::read(m_path, &m_startValues);
    m_state->setOptions(m_startValues.options);
    m_webhook->applySetting(AppSettings::webhookUrl(m_path));
    return m_hadFile;
}

void Settings::saveLayout(const WindowLayout &layout, const QString &chatName) {
    // The exit goes on either way.
    if (!AppSettings::writeLayout(m_path, layout, chatName))
        emit message(tr("Error saving settings"));
}

void Settings::setNotificationKind(NotificationKind kind) {
    changeAndWrite([kind](ProgramOptions &o) { o.notification = kind; },
                   AppSettings::Option::NotificationKind);
}

void Settings::setLogSource(LogSource source) {
    changeAndWrite([source](ProgramOptions &o) { o.logSource = source; },
                   AppSettings::Option::LogSource);
}

void Settings::setMinimizeToTray(bool on) {
    changeAndWrite([on](ProgramOptions &o) { o.minimizeToTray = on; },
                   AppSettings::Option::MinimizeToTray);
}

void Settings::setShowProgramLog(bool on) {
    changeAndWrite([on](ProgramOptions &o) { o.showProgramLog = on; },
                   AppSettings::Option::ShowProgramLog);
}

void Settings::setBackgroundChat(bool on) {
    changeAndWrite([on](ProgramOptions &o) { o.backgroundChat = on; },
                   AppSettings::Option::BackgroundChat);
}

void Settings::setCrosshair(bool on) {
    changeAndWrite([on](ProgramOptions &o) { o.crosshair = on; }, AppSettings::Option::Crosshair);
}

void Settings::setShowPasswords(bool on) {
    change([on](ProgramOptions &o) { o.showPasswords = on; });
}

Settings::WebhookChange Settings::setWebhookUrl(const QString &text, QString *writeError) {
    const QString trimmed = text.trimmed();
    if (!WebhookPoster::isAcceptable(trimmed))
        return WebhookChange::Refused;
    if (QUrl(trimmed, QUrl::StrictMode).toString() == m_webhook->url())
        return WebhookChange::Unchanged;
    m_webhook->setUrl(trimmed);
    QString error;
    if (AppSettings::writeWebhookUrl(m_path, trimmed, &error))
        return WebhookChange::Saved;
    reportWriteFailure(error);
    if (writeError)
        *writeError = error;
    return WebhookChange::Unsaved;
}

void Settings::change(const std::function<void(ProgramOptions &)> &edit) {
    ProgramOptions options = m_state->options();
    edit(options);
    m_state->setOptions(options);
}

void Settings::changeAndWrite(const std::function<void(ProgramOptions &)> &edit,
                              AppSettings::Option option) {
    change(edit);
    // Written even when the value is the one in force: an earlier failed write is made good.
    QString error;
    if (!AppSettings::writeOption(m_path, m_state->options(), option, &error))
        reportWriteFailure(error);
}

void Settings::reportWriteFailure(const QString &error) {
    qCWarning(lcError).noquote() << error + QStringLiteral(" (Options)");
    emit message(tr("Error saving settings"));
}
