#include "ui/OptionsPage.h"

#include "base/IniFile.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "console/Console.h"
#include "ui/ComputerName.h"
#include "ui/SwitchBox.h"
#include "ui/WebhookField.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
    , m_webhook(new WebhookField(console->webhook(), console->settingsPath(), this)) {
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

    // clicked and activated come from the operator only, never from refresh().
    connect(m_tray, &QCheckBox::clicked, this,
            [this](bool on) { setOption(&ProgramOptions::tray, on, QStringLiteral("tray")); });
    connect(m_log, &QCheckBox::clicked, this,
            [this](bool on) { setOption(&ProgramOptions::log, on, QStringLiteral("log")); });
    connect(m_backgroundChat, &QCheckBox::clicked, this, [this](bool on) {
        setOption(&ProgramOptions::getbchat, on, QStringLiteral("getbchat"));
    });
    connect(m_passwords, &QCheckBox::clicked, this, [this](bool on) {
        // Off at every start: never written.
        ProgramOptions options = m_console->state()->options();
        options.showPasswords = on;
        m_console->state()->setOptions(options);
    });
    connect(m_cinfo, &QComboBox::activated, this, [this](int index) {
        setOption(&ProgramOptions::cinfo, index, QStringLiteral("cinfo"));
        emit choiceMade();
    });
    connect(m_ggl, &QComboBox::activated, this, [this](int index) {
        setOption(&ProgramOptions::ggl, index, QStringLiteral("ggl"));
        m_startOptions->setText(startOptions(index));
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
    m_ggl->setCurrentIndex(options.ggl == 1 ? 1 : 0);
    m_cinfo->setCurrentIndex(options.cinfo >= 0 && options.cinfo <= 4 ? options.cinfo : 1);
    m_tray->setChecked(options.tray == 1);
    m_log->setChecked(options.log == 1);
    m_passwords->setChecked(options.showPasswords);
    m_backgroundChat->setChecked(options.getbchat == 1);
    m_startOptions->setText(startOptions(options.ggl));
    m_webhook->refresh();
}

QString OptionsPage::startOptions(int ggl) {
    if (ggl == 1)
        return QStringLiteral("\"-ServerRCONoutputTribeLogs\"   (Local time stamp!)");
    return QStringLiteral("\"-ServerGameLog\" \"-ServerGameLogIncludeTribeLogs\"");
}

void OptionsPage::Fadenkreuz() {
    const int cross = m_console->state()->options().cross == 1 ? 0 : 1;
    setOption(&ProgramOptions::cross, cross, QStringLiteral("cross"));
}

void OptionsPage::setOption(int ProgramOptions::*option, int value, const QString &key) {
    ProgramOptions options = m_console->state()->options();
    options.*option = value;
    m_console->state()->setOptions(options);
    write(key, value);
}

void OptionsPage::write(const QString &key, int value) {
    IniFile settings(m_console->settingsPath());
    if (settings.inischint(QStringLiteral("pum1"), key, value))
        return;
    // The option stays in force for this run either way.
    qCWarning(lcError).noquote() << settings.errorString() + QStringLiteral(" (Options)");
    m_console->message(tr("Error saving settings"));
}
