#include "ui/LineFilter.h"

#include <algorithm>

LineFilter::LineFilter(const QLocale &locale)
    : m_locale(locale) {}

QString LineFilter::lowerCase(const QString &text) const {
    return m_locale.toLower(text);
}

QStringList LineFilter::words(const QString &boxText) const {
    const QString lowered = lowerCase(boxText);
    QStringList words;
    for (const QString &word : lowered.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        words << word;
    return words;
}

QStringList LineFilter::filter(const QStringList &lines, const QStringList &words) {
    QVector<int> candidates;
    QStringList checked = words;
    if (sameLines(lines) && narrows(words)) {
        candidates = m_hits;
        // The last hits hold every earlier word already.
        checked.removeIf([this](const QString &word) { return m_words.contains(word); });
    } else {
        if (!sameLines(lines)) {
            m_lines = lines;
            m_lowered.clear();
            m_lowered.reserve(lines.size());
            for (const QString &line : lines)
                m_lowered << lowerCase(line);
        }
        candidates.resize(m_lines.size());
        for (int row = 0; row < candidates.size(); ++row)
            candidates[row] = row;
    }
    m_examined = int(candidates.size());

    QVector<int> hits;
    hits.reserve(candidates.size());
    for (int row : std::as_const(candidates)) {
        const QString &line = m_lowered.at(row);
        if (std::all_of(checked.cbegin(), checked.cend(),
                        [&line](const QString &word) { return line.contains(word); }))
            hits.append(row);
    }
    m_hits = std::move(hits);
    m_words = words;

    QStringList result;
    result.reserve(m_hits.size());
    for (int row : std::as_const(m_hits))
        result << m_lines.at(row);
    return result;
}

void LineFilter::reset() {
    m_lines.clear();
    m_lowered.clear();
    m_words.clear();
    m_hits.clear();
    m_examined = 0;
}

bool LineFilter::sameLines(const QStringList &lines) const {
    // An empty list has no data of its own to be known by.
    return !m_lowered.isEmpty() && lines.size() == m_lines.size() &&
           lines.constData() == m_lines.constData();
}

bool LineFilter::narrows(const QStringList &words) const {
    if (m_words.isEmpty())
        return false;
    for (const QString &old : m_words) {
        bool inside = false;
        for (const QString &word : words) {
            if (word.contains(old)) {
                inside = true;
                break;
            }
        }
        if (!inside)
            return false;
    }
    return true;
}
