#include "ui/StatusPanels.h"

#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>

namespace {
QPixmap indicatorPicture(bool busy) {
    QPixmap picture(10, 10);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(busy ? Qt::NoPen : QPen(QColor(0x55, 0x55, 0x55), 1));
    painter.setBrush(busy ? QColor(QLatin1String(Theme::kGold)) : QColor(Qt::transparent));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 9, 9), 2, 2);
    return picture;
}

QLabel *addPanel(QStatusBar *bar, int width) {
    auto *label = new QLabel(bar);
    // A panel may name a server, whose name is text and never markup.
    label->setTextFormat(Qt::PlainText);
    label->setFixedWidth(width);
    label->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(label);
    return label;
}
} // namespace

StatusPanels::StatusPanels(QStatusBar *bar, QObject *parent)
    : QObject(parent) {
    bar->setFixedHeight(22);
    bar->setSizeGripEnabled(false);

    auto *indicatorPanel = new QWidget(bar);
    indicatorPanel->setFixedWidth(23);
    auto *layout = new QHBoxLayout(indicatorPanel);
    layout->setContentsMargins(6, 0, 6, 0);
    m_indicator = new QLabel(indicatorPanel);
    m_indicator->setFixedSize(10, 10);
    m_busy = indicatorPicture(true);
    m_idle = indicatorPicture(false);
    m_indicator->setToolTip(tr("Server visit in progress"));
    layout->addWidget(m_indicator);
    bar->addWidget(indicatorPanel);
    setVisitActive(false);

    addPanel(bar, 50);
    m_servers = addPanel(bar, 150);
    m_players = addPanel(bar, 180);
    m_background = addPanel(bar, 800);
}

void StatusPanels::setVisitActive(bool active) {
    // Two visits a second flip it: a pixmap swap costs far less than a style sheet.
    m_active = active;
    m_indicator->setPixmap(active ? m_busy : m_idle);
}

void StatusPanels::setServersOnline(const QString &text) {
    m_servers->setText(text);
}

void StatusPanels::setPlayersOnline(const QString &text) {
    m_players->setText(text);
}

void StatusPanels::setBackgroundWatch(const QString &text) {
    m_background->setText(text);
}

QString StatusPanels::serversOnline() const {
    return m_servers->text();
}

QString StatusPanels::playersOnline() const {
    return m_players->text();
}

QString StatusPanels::backgroundWatch() const {
    return m_background->text();
}
