#include "ui/LogSearch.h"

#include "ui/Icons.h"
#include "ui/TextViewMenu.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {
constexpr int kIconGap = 20;
constexpr int kHitsGap = 230;
constexpr int kHitsWidth = 210;
constexpr int kIconSize = 16;
} // namespace

QColor LogSearch::resultText() {
    return QColor(255, 192, 130);
}

QColor LogSearch::resultBackground() {
    return QColor(17, 17, 17);
}

LogSearch::LogSearch(QWidget *controlsParent, QWidget *searchedView,
                     QAbstractScrollArea *resultView, LineSource lines, ResultSink showResult,
                     Placement placement, QObject *parent)
    : QObject(parent)
    , m_parentWidget(controlsParent)
    , m_searched(searchedView)
    , m_result(resultView)
    , m_lines(std::move(lines))
    , m_showResult(std::move(showResult))
    , m_placement(std::move(placement))
    , m_field(new QLineEdit(controlsParent))
    , m_icon(new QLabel(controlsParent))
    , m_hits(new QPushButton(controlsParent)) {
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setClearButtonEnabled(true);
    m_field->setPlaceholderText(tr("Search"));
    m_icon->setPixmap(Icons::search().pixmap(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setBuddy(m_field);
    m_hits->setObjectName(QStringLiteral("hitsButton"));
    m_hits->setToolTip(tr("Close the search"));
    m_hits->hide();
    m_result->hide();
    // Plain lines in light orange on the lists' near-black, whatever the searched view's colours.
    QPalette colours = m_result->palette();
    colours.setColor(QPalette::Base, resultBackground());
    colours.setColor(QPalette::Text, resultText());
    m_result->setPalette(colours);
    m_result->setStyleSheet(QStringLiteral("background: %1; color: %2;")
                                .arg(resultBackground().name(), resultText().name()));
    TextViewMenu::install(m_result, nullptr, nullptr);

    connect(m_field, &QLineEdit::textChanged, this, &LogSearch::run);
    connect(m_hits, &QPushButton::clicked, this, &LogSearch::close);
    controlsParent->installEventFilter(this);
    m_field->installEventFilter(this);
    m_result->installEventFilter(this);
}

void LogSearch::close() {
    m_field->clear();
}

void LogSearch::run(const QString &text) {
    const QStringList words = m_filter.words(text);
    if (words.isEmpty()) {
        m_filter.reset();
        m_hitCount = 0;
        m_hits->hide();
        if (!m_active)
            return;
        m_active = false;
        m_showResult({});
        m_result->hide();
        m_searched->show();
        emit closed();
        return;
    }
    const QStringList hits = m_filter.filter(m_lines(), words);
    m_hitCount = int(hits.size());
    m_showResult(hits);
    if (!m_active) {
        m_active = true;
        m_searched->hide();
        m_result->show();
    }
    showHits();
}

void LogSearch::showHits() {
    m_hits->setText(tr("Hits: %1  CLOSE SEARCH").arg(m_hitCount));
    m_hits->setAccessibleName(m_hits->text());
    m_hits->setVisible(m_active && m_controlsVisible);
}

void LogSearch::setControlsVisible(bool visible) {
    m_controlsVisible = visible;
    m_field->setVisible(visible);
    m_icon->setVisible(visible);
    m_hits->setVisible(visible && m_active);
    if (visible)
        place();
}

void LogSearch::placeField(const QRect &field) {
    const int leftLimit = m_leftLimit;
    m_field->setGeometry(field);
    const int middle = field.center().y();
    m_icon->move(std::max(leftLimit, field.left() - kIconGap), middle - kIconSize / 2);
    m_hits->setGeometry(std::max(leftLimit, field.left() - kHitsGap), field.top(), kHitsWidth,
                        field.height());
    m_field->raise();
    m_icon->raise();
    m_hits->raise();
}

void LogSearch::place() {
    if (m_placement)
        placeField(m_placement(m_parentWidget));
}

QRect LogSearch::programLogField(int areaWidth, int height) {
    int width = areaWidth / 3;
    if (areaWidth < 600)
        width = areaWidth / 9;
    else if (areaWidth < 800)
        width = areaWidth / 4;
    const int stripWidth = int(std::nearbyint(areaWidth / 1.6));
    const int stripLeft = std::max(kProgramLogLeftLimit, areaWidth - 8 - stripWidth);
    const int right = areaWidth - 8;
    const int left = std::max(stripLeft, right - width);
    return QRect(left, 7, std::max(0, right - left), height);
}

bool LogSearch::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_parentWidget && event->type() == QEvent::Resize)
        place();
    // Escape in the box or in the result closes the search; with nothing to close it goes on.
    if ((watched == m_field || watched == m_result) && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_field->text().isEmpty()) {
        close();
        if (watched == m_result)
            m_searched->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
