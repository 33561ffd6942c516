#include "ui/OptionsDialog.h"

#include "console/Console.h"
#include "ui/AboutPage.h"
#include "ui/DialogFrame.h"
#include "ui/OptionsPage.h"
#include "ui/ScriptsPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

OptionsDialog::OptionsDialog(Console *console, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint)
    , m_tabs(new QTabWidget(this))
    , m_options(new OptionsPage(console, m_tabs))
    , m_scripts(new ScriptsPage(console, m_tabs))
    , m_about(new AboutPage(console->updates(), m_tabs))
    , m_close(new QPushButton(tr("Close"), this)) {
    setWindowTitle(tr("Options"));
    DialogFrame::apply(this);
    setModal(true);
    m_tabs->addTab(m_options, tr(" Options "));
    m_tabs->addTab(m_scripts, tr(" Scripts "));
    m_tabs->addTab(m_about, tr("About"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &OptionsDialog::closeClicked);
    connect(m_tabs, &QTabWidget::currentChanged, m_close, [this] { m_close->setFocus(); });
    connect(m_options, &OptionsPage::choiceMade, m_close, [this] { m_close->setFocus(); });
    connect(m_about, &AboutPage::stateChanged, this, &OptionsDialog::followDownload);
    connect(m_about, &AboutPage::closeRequested, this, [this] {
        accept();
        emit restartRequested();
    });
    followDownload();
}

void OptionsDialog::openOn(Tab tab) {
    m_scripts->refresh();
    m_options->refresh();
    m_tabs->setCurrentIndex(int(tab));
    m_close->setFocus();
    exec();
}

void OptionsDialog::followDownload() {
    // While the new version arrives the dialog stays open; once it is in, "Close" restarts.
    switch (m_about->state()) {
    case AboutPage::State::Idle:
        m_close->setText(tr("Close"));
        m_close->show();
        break;
    case AboutPage::State::Downloading:
        m_close->hide();
        break;
    case AboutPage::State::Ready:
        m_close->setText(tr("Restart"));
        m_close->show();
        break;
    }
}

void OptionsDialog::closeClicked() {
    if (m_about->state() == AboutPage::State::Ready)
        m_about->restart();
    else
        accept();
}
