#include "ui/WebhookField.h"

#include "console/Settings.h"
#include "notify/WebhookPoster.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

WebhookField::WebhookField(WebhookPoster *poster, Settings *settings, QWidget *parent)
    : QWidget(parent)
    , m_poster(poster)
    , m_settings(settings)
    , m_edit(new QLineEdit(this))
    , m_test(new QPushButton(tr("Test"), this))
    , m_status(new QLabel(this)) {
    auto *label = new QLabel(tr("Webhook URL:"), this);
    label->setBuddy(m_edit);
    m_edit->setText(poster->url());
    m_edit->setPlaceholderText(tr("https://… (empty: nothing is posted)"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 48);
    m_edit->setAccessibleName(tr("Webhook URL"));
    m_edit->setToolTip(tr("Joins, departures and status changes are posted to this address. "
                          "Keep it private: it lets anyone post to the channel."));
    m_test->setAccessibleName(tr("Test webhook"));
    m_test->setToolTip(tr("Post a test message to the webhook"));
    m_status->setAccessibleName(tr("Webhook status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_edit, 0, 1);
    layout->addWidget(m_test, 0, 2);
    layout->addWidget(m_status, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);

    connect(m_edit, &QLineEdit::editingFinished, this, &WebhookField::apply);
    connect(m_test, &QPushButton::clicked, this, &WebhookField::runTest);
    connect(poster, &WebhookPoster::testFinished, this, &WebhookField::showTestResult);
    showState();
}

QString WebhookField::statusText() const {
    return m_status->text();
}

bool WebhookField::apply() {
    if (!m_poster || !m_settings)
        return false;
    QString error;
    switch (m_settings->setWebhookUrl(m_edit->text(), &error)) {
    case Settings::WebhookChange::Refused:
        m_status->setText(tr("This is no HTTP or HTTPS address; the webhook stays as it was."));
        return false;
    case Settings::WebhookChange::Unchanged:
        return true;
    case Settings::WebhookChange::Unsaved:
        m_status->setText(
            tr("In use until the program ends, but app.ini could not be saved: %1").arg(error));
        return true;
    case Settings::WebhookChange::Saved:
        break;
    }
    showState();
    return true;
}

void WebhookField::runTest() {
    // The address in the field is the one tested, even while it is still being edited.
    if (!apply() || !m_poster)
        return;
    m_test->setEnabled(false);
    m_status->setText(tr("Posting a test message…"));
    m_poster->test();
}

void WebhookField::showTestResult(bool, const QString &text) {
    m_test->setEnabled(true);
    m_status->setText(text);
}

void WebhookField::refresh() {
    if (m_poster)
        m_edit->setText(m_poster->url());
    showState();
}

void WebhookField::showState() {
    m_status->setText(m_poster && m_poster->isEnabled()
                          ? tr("Joins, departures and status changes are posted here.")
                          : tr("Off: nothing is posted."));
}
