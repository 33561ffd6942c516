#pragma once

#include <QColor>
#include <QList>
#include <QString>

// The colours a chat view draws with. Text without a run has the view's own colour.
namespace ChatColors {
QColor viewText();    // light grey (202, 202, 202), the view's own text colour
QColor background();  // (17, 17, 17)
QColor stamp();       // grey (128, 128, 128)
QColor admin();       // orange: "AdminCmd:" lines
QColor serverParen(); // yellow: "SERVER: (" lines
QColor serverAdmin(); // gold: "SERVER: A" lines
QColor player();      // white: player chat and other marked lines

// The least contrast of a drawn colour to the background, as the ratio of their luminances.
constexpr double kLeastContrast = 4.5;
double contrast(const QColor &a, const QColor &b);
// `colour` as the dark view draws it: one with too little contrast to the background (the blue
// of the colour tags among them) is mixed with white just until it reads; the others stay. Only
// the view changes: the server log keeps the colour itself.
QColor readableOnBackground(const QColor &colour);
} // namespace ChatColors

// A stretch of a line's shown text (stamp included) drawn in one colour and weight. An
// invalid colour means the view's own colour.
struct ChatRun final {
    int start = 0;
    int length = 0;
    QColor color;
    bool bold = false;

    friend bool operator==(const ChatRun &a, const ChatRun &b) {
        return a.start == b.start && a.length == b.length && a.color == b.color && a.bold == b.bold;
    }
    friend bool operator!=(const ChatRun &a, const ChatRun &b) { return !(a == b); }
};

// One line of a chat view: "[yymmdd-hhnnss]" stamp, a blank, the line text, and the runs that
// colour it. Lines loaded from a file that lack the stamp shape have an empty stamp.
class ChatLine final {
public:
    ChatLine() = default;
    // Runs count characters of stamp + " " + text (or of text alone when the stamp is empty).
    ChatLine(const QString &stamp, const QString &text, const QList<ChatRun> &runs = {});
    // Splits a shown line into stamp and text when it has the stamp shape.
    static ChatLine fromDisplayText(const QString &displayText, const QList<ChatRun> &runs = {});

    // True when characters 1, 8, 15 and 16 are "[", "-", "]" and a blank.
    static bool hasStampShape(QStringView displayText);
    // The trim keeps removing lines that have none of those four characters at its place.
    static bool hasAnyStampMark(QStringView displayText);

    QString stamp() const { return m_display.left(m_stampLength); }
    QString text() const;
    const QString &displayText() const { return m_display; }
    // Sorted, non-overlapping, within the text; adjacent equal runs merged and stretches in
    // the view's own plain style left out.
    const QList<ChatRun> &runs() const { return m_runs; }

    // Two lines are equal when they show the same text in the same colours.
    friend bool operator==(const ChatLine &a, const ChatLine &b) {
        return a.m_display == b.m_display && a.m_runs == b.m_runs;
    }
    friend bool operator!=(const ChatLine &a, const ChatLine &b) { return !(a == b); }

    static QList<ChatRun> normalizedRuns(QList<ChatRun> runs, int textLength);

private:
    QString m_display;
    int m_stampLength = 0;
    QList<ChatRun> m_runs;
};
