#include "ui/OptionsPage.h"

#include "base/ProgramState.h"
#include "console/Console.h"
#include "console/Settings.h"
#include "ui/ComputerName.h"
#include "ui/SwitchBox.h"
#include "ui/WebhookField.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

OptionsPage::OptionsPage(Console *console, QWidget *parent)
    : QWidget(parent)
    , m_console(console)
    , m_tray(makeSwitch(tr("Minimize to tray")))
    , m_log(makeSwitch(tr("Show program logfile")))
    , m_passwords(makeSwitch(tr("Show passwords")))
    , m_backgroundChat(makeSwitch(tr("Get chat in background")))
    , m_cinfo(new QComboBox(this))
    , m_ggl(new QComboBox(this))
    , m_startOptions(new QLabel(this))
    , m_crosshair(new QPushButton(tr("Fadenkreuz"), this))
    , m_webhook(new WebhookField(console->webhook(), console->settings(), this)) {
    m_cinfo->addItems({tr("None"), tr("Beep"), tr("Notification"), tr("Notification + Beep"),
                       tr("Win Infocenter")});
    m_ggl->addItems({tr("Getgamelog (recommended)"), tr("Getchat")});
    m_cinfo->setAccessibleName(tr("Connection infos"));
    m_ggl->setAccessibleName(tr("Get log over"));
    m_startOptions->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_startOptions->setObjectName(QStringLiteral("startOptions"));
    m_crosshair->setAccessibleName(tr("Fadenkreuz"));
    m_crosshair->setToolTip(tr("A red dot in the centre of the screen"));
    m_crosshair->setVisible(ComputerName::isDemoComputer());

    auto *switches = new QVBoxLayout;
    switches->setSpacing(4);
    for (QCheckBox *box : {m_tray, m_log, m_passwords, m_backgroundChat})
        switches->addWidget(box);

    auto *choices = new QFormLayout;
    choices->setLabelAlignment(Qt::AlignLeft);
    auto *cinfoLabel = new QLabel(tr("Connection infos:"), this);
    cinfoLabel->setBuddy(m_cinfo);
    auto *gglLabel = new QLabel(tr("Get log over:"), this);
    gglLabel->setBuddy(m_ggl);
    auto *startLabel = new QLabel(tr("Requires server start with:"), this);
    startLabel->setBuddy(m_startOptions);
    choices->addRow(cinfoLabel, m_cinfo);
    choices->addRow(gglLabel, m_ggl);
    choices->addRow(startLabel, m_startOptions);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Plain);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(switches);
    layout->addSpacing(10);
    layout->addLayout(choices);
    layout->addWidget(m_crosshair, 0, Qt::AlignLeft);
    layout->addSpacing(6);
    layout->addWidget(rule);
    layout->addWidget(m_webhook);
    layout->addStretch(1);

    // toggled covers every way a switch flips; refresh() sets the boxes without it.
    Settings *settings = m_console->settings();
    connect(m_tray, &QCheckBox::toggled, settings, &Settings::setMinimizeToTray);
    connect(m_log, &QCheckBox::toggled, settings, &Settings::setShowProgramLog);
    connect(m_backgroundChat, &QCheckBox::toggled, settings, &Settings::setBackgroundChat);
    connect(m_passwords, &QCheckBox::toggled, settings, &Settings::setShowPasswords);
    // activated comes from the operator only, never from refresh().
    connect(m_cinfo, &QComboBox::activated, this, [this](int index) {
        m_console->settings()->setNotificationKind(static_cast<NotificationKind>(index));
        emit choiceMade();
    });
    connect(m_ggl, &QComboBox::activated, this, [this](int index) {
        const LogSource source = index == 1 ? LogSource::Chat : LogSource::GameLog;
        m_console->settings()->setLogSource(source);
        m_startOptions->setText(startOptions(source));
        emit choiceMade();
    });
    connect(m_crosshair, &QPushButton::clicked, this, &OptionsPage::Fadenkreuz);
    refresh();
}

QCheckBox *OptionsPage::makeSwitch(const QString &caption) {
    return new SwitchBox(caption, this);
}

void OptionsPage::refresh() {
    const ProgramOptions &options = m_console->state()->options();
    m_crosshair->setVisible(ComputerName::isDemoComputer());
    m_ggl->setCurrentIndex(static_cast<int>(options.logSource));
    m_cinfo->setCurrentIndex(static_cast<int>(options.notification));
    for (const auto &[box, on] :
         {std::pair{m_tray, options.minimizeToTray}, std::pair{m_log, options.showProgramLog},
          std::pair{m_passwords, options.showPasswords},
          std::pair{m_backgroundChat, options.backgroundChat}}) {
        // Showing the value in force is no change of it.
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
    m_startOptions->setText(startOptions(options.logSource));
    m_webhook->refresh();
}

QString OptionsPage::startOptions(LogSource source) {
    if (source == LogSource::Chat)
        return QStringLiteral("\"-ServerRCONoutputTribeLogs\"   (Local time stamp!)");
    return QStringLiteral("\"-ServerGameLog\" \"-ServerGameLogIncludeTribeLogs\"");
}

void OptionsPage::Fadenkreuz() {
    m_console->settings()->setCrosshair(!m_console->state()->options().crosshair);
}
