#pragma once

#include <QLocale>
#include <QStringList>
#include <QVector>

// The filter behind a log search: a line is a hit when its lower-case form (by the user's locale)
// contains every word of the search, in any order and position. The lower-case lines and the
// last hits are kept while the searched lines stay the same list, so each keystroke costs a pass
// over plain strings; a search that only narrows the last one (every earlier word lies inside one
// of the new words) looks at the last hits alone.
class LineFilter final {
public:
    explicit LineFilter(const QLocale &locale = QLocale());

    // The words of a search box's text: lower case by the locale, split at blanks, no empty ones.
    // Any number of words.
    QStringList words(const QString &boxText) const;

    // The lines of `lines` that contain every word, in their order. `lines` is known again by
    // its shared data: a list that changed since the last call is searched whole.
    QStringList filter(const QStringList &lines, const QStringList &words);

    // How many lines the last filter() looked at.
    int linesExamined() const { return m_examined; }
    // Forgets the lines and hits (the search was closed).
    void reset();

    // The lower-case form of a text by the locale.
    QString lowerCase(const QString &text) const;

private:
    bool sameLines(const QStringList &lines) const;
    bool narrows(const QStringList &words) const;

    QLocale m_locale;
    QStringList m_lines;   // a shared copy: any change of the caller's list detaches from it
    QStringList m_lowered; // m_lines in lower case, built on the first search over them
    QStringList m_words;
    QVector<int> m_hits; // rows of m_lines
    int m_examined = 0;
};
