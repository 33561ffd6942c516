#include "stats/StatisticsModel.h"

#include "stats/PlayTime.h"

#include <algorithm>
#include <numeric>

namespace {

// Ordinal comparison with only the letters a to z folded onto A to Z.
int compareText(const QString &a, const QString &b) {
    const auto fold = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= u'a' && u <= u'z' ? char16_t(u - (u'a' - u'A')) : u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = fold(a.at(i));
        const char16_t y = fold(b.at(i));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// "dd.mm.yyyy" read year first, so that dates compare as text.
QString yearFirst(const QString &date) {
    if (!date.contains(QLatin1Char('.')))
        return date;
    return date.mid(6, 4) + QLatin1Char('.') + date.mid(3, 2) + QLatin1Char('.') + date.left(2);
}

// Names and ids read from the left; times and dates line up on the right.
Qt::Alignment alignment(int column) {
    const bool text =
        column == StatisticsModel::PlayerColumn || column == StatisticsModel::PlayerIdColumn;
    return (text ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
}

} // namespace

StatisticsModel::StatisticsModel(QObject *parent)
    : SortableTableModel(parent) {
    m_header = PlayerStatistics().table.row(0);
}

void StatisticsModel::setStatistics(const PlayerStatistics &statistics) {
    beginResetModel();
    const StringTable &table = statistics.table;
    m_header = table.row(0);
    m_rows.clear();
    m_rows.reserve(table.rowCount() - 1);
    for (int r = table.rowCount() - 1; r >= 1; --r)
        m_rows << table.row(r);
    m_sortIcon = IconIndex::None;
    endResetModel();
}

void StatisticsModel::headerClicked(int column) {
    if (column < 0 || column >= columnCount())
        return;
    if (column == m_sortColumn) {
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    } else {
        m_sortOrder = Qt::AscendingOrder;
        m_sortColumn = column;
    }
    m_sortIcon =
        m_sortOrder == Qt::AscendingOrder ? IconIndex::SortAscending : IconIndex::SortDescending;
    sortRows(column, m_sortOrder);
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int StatisticsModel::cellOf(int column) {
    switch (column) {
    case PlayerColumn:
        return PlayerStatistics::NameColumn;
    case PlayerIdColumn:
        return PlayerStatistics::SteamIdColumn;
    default:
        return column;
    }
}

void StatisticsModel::sortRows(int column, Qt::SortOrder order) {
    const int cell = cellOf(column);
    QVector<int> permutation(m_rows.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    std::vector<QString> texts;
    std::vector<qint64> seconds;
    if (column >= TotalColumn) {
        seconds.reserve(size_t(permutation.size()));
        for (const QStringList &row : std::as_const(m_rows))
            seconds.push_back(PlayTime::seconds(row.value(cell)));
    } else {
        texts.reserve(size_t(permutation.size()));
        for (const QStringList &row : std::as_const(m_rows))
            texts.push_back(column == LastOnlineColumn ? yearFirst(row.value(cell))
                                                       : row.value(cell));
    }
    const auto less = [&](int a, int b) {
        if (!seconds.empty())
            return seconds[size_t(a)] < seconds[size_t(b)];
        return compareText(texts[size_t(a)], texts[size_t(b)]) < 0;
    };
    // Descending swaps the operands; rows that compare equal keep their order.
    if (order == Qt::AscendingOrder)
        std::stable_sort(permutation.begin(), permutation.end(), less);
    else
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return less(b, a); });

    permuteRows(permutation, [this, &permutation] { m_rows = inRowOrder(m_rows, permutation); });
}

int StatisticsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StatisticsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_header.size());
}

QVariant StatisticsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_rows.at(index.row()).value(cellOf(index.column()));
    case Qt::ToolTipRole:
        if (index.column() != PlayerColumn)
            return {};
        // A tool tip reads markup: the name is escaped inside a paragraph that keeps its
        // blanks, so it shows exactly as the player wrote it.
        return QStringLiteral("<p style='white-space:pre'>") +
               m_rows.at(index.row()).value(PlayerStatistics::NameColumn).toHtmlEscaped() +
               QStringLiteral("</p>");
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(index.column()));
    case IconIndexRole:
        if (index.column() == PlayerColumn)
            return int(IconIndex::Player);
        return {};
    default:
        return {};
    }
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_header.value(cellOf(section));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(section));
    case IconIndexRole:
        if (section == m_sortColumn && m_sortIcon != IconIndex::None)
            return int(m_sortIcon);
        return {};
    default:
        return {};
    }
}
