#include "chat/ChatLineProcessor.h"

#include "base/LogStamp.h"
#include "rcon/AnswerText.h"

#include <QSet>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr int kMinimumRest = 8; // a rest of 8 characters or fewer is not a line
constexpr int kStampLength = 15;

const QString kKeepAlive = QStringLiteral("Keep Alive");
const QString kTagClose = QStringLiteral("</>");

struct Repair {
    const char16_t *from;
    const char16_t *to;
};
// Applied in this order; "zerst?rte" must go before "zerst?rt".
constexpr std::array<Repair, 9> kRepairs{{
    {u"get?tet", u"get\u00f6tet"},
    {u"t?tete", u"t\u00f6tete"},
    {u"zerst?rte", u"zerst\u00f6rte"},
    {u"zerst?rt", u"zerst\u00f6rt"},
    {u"gez?hmt", u"gez\u00e4hmt"},
    {u"?bernommen", u"\u00fcbernommen"},
    {u"z?hmte", u"z\u00e4hmte"},
    {u"Flo?", u"Flo\u00df"},
    {u"bef?rdert", u"bef\u00f6rdert"},
}};

// Per-character colour and weight while the markers are being taken out of a line.
class FormattedText final {
public:
    explicit FormattedText(const QString &text)
        : m_text(text)
        , m_formats(text.size()) {}

    const QString &text() const { return m_text; }
    void remove(int pos, int count) {
        m_text.remove(pos, count);
        m_formats.erase(m_formats.begin() + pos, m_formats.begin() + pos + count);
    }
    void colour(int from, int to, QRgb rgb) {
        for (int i = std::max(from, 0); i < std::min(to, int(m_text.size())); ++i)
            m_formats[i].rgb = rgb;
    }
    void colourBold(int from, int to, QRgb rgb) {
        for (int i = std::max(from, 0); i < std::min(to, int(m_text.size())); ++i)
            m_formats[i] = {rgb, true};
    }
    QList<ChatRun> runs() const {
        QList<ChatRun> out;
        int i = 0;
        while (i < m_text.size()) {
            int j = i + 1;
            while (j < m_text.size() && m_formats[j].rgb == m_formats[i].rgb &&
                   m_formats[j].bold == m_formats[i].bold)
                ++j;
            if (m_formats[i].rgb != 0 || m_formats[i].bold) {
                out.append({i, j - i,
                            m_formats[i].rgb != 0 ? QColor::fromRgb(m_formats[i].rgb) : QColor(),
                            m_formats[i].bold});
            }
            i = j;
        }
        return out;
    }

private:
    struct Format {
        QRgb rgb = 0; // 0: the view's own colour (every real colour carries alpha 0xff)
        bool bold = false;
    };
    QString m_text;
    std::vector<Format> m_formats;
};

// A number from 0 to 1 as a tag writes it: digits with at most one decimal point ("1", "0",
// "0.85", ".5"); no sign, no exponent.
std::optional<double> unitNumber(QStringView text) {
    if (text.isEmpty() || text.size() > 16)
        return std::nullopt;
    int points = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('.'))
            ++points;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else
            return std::nullopt;
    }
    if (points > 1 || digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < 0.0 || value > 1.0)
        return std::nullopt;
    return value;
}

// The words that the overlap compares: commas, hyphens, zeros and closing tags taken out.
QString withoutWordNoise(QString text) {
    text.remove(QLatin1Char(','));
    text.remove(QLatin1Char('-'));
    text.remove(QLatin1Char('0'));
    text.remove(kTagClose);
    return text;
}

// Counts the previous line's words, each time it occurs, that are words of the line too; one
// hash set keeps this linear however long both lines are. Stops counting at `stopAt`.
int sharedWords(const QString &previousLine, const QString &line, int stopAt) {
    const QString previous = withoutWordNoise(previousLine);
    const QString current = withoutWordNoise(line);
    QSet<QStringView> words;
    for (const QStringView word :
         QStringView(current).tokenize(QLatin1Char(' '), Qt::SkipEmptyParts))
        words.insert(word);
    int count = 0;
    for (const QStringView word :
         QStringView(previous).tokenize(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (words.contains(word) && ++count >= stopAt)
            break;
    }
    return count;
}

} // namespace

const QString &ChatLineProcessor::newLineMarker() {
    static const QString marker = QStringLiteral(u"\u255D\u2592\u00AA");
    return marker;
}

const QString &ChatLineProcessor::adminMarker() {
    static const QString marker = QStringLiteral(u"\u00AE\u00BD\u2502");
    return marker;
}

const QString &ChatLineProcessor::chatMarker() {
    static const QString marker = QStringLiteral(u"\u2557\u2591\u00D1");
    return marker;
}

const QString &ChatLineProcessor::colourTagOpening() {
    static const QString opening = QStringLiteral(": <RichColor Color=\"");
    return opening;
}

QString ChatLineProcessor::repairWords(QString line) {
    if (!line.contains(QLatin1Char('?')))
        return line;
    for (const Repair &r : kRepairs)
        line.replace(QString::fromUtf16(r.from), QString::fromUtf16(r.to));
    return line;
}

std::optional<QRgb> ChatLineProcessor::tagColour(QStringView value) {
    // Red, green, blue and opacity. The opacity must read too, but the text is drawn opaque: a
    // faint line on the dark view would be lost, and the server log keeps plain colours.
    double channels[4] = {};
    int count = 0;
    for (const QStringView part : value.tokenize(QLatin1Char(','))) {
        if (count == 4)
            return std::nullopt;
        const std::optional<double> number = unitNumber(part.trimmed());
        if (!number)
            return std::nullopt;
        channels[count++] = *number;
    }
    if (count != 4)
        return std::nullopt;
    const auto level = [](double channel) { return int(std::lround(channel * 255.0)); };
    return qRgb(level(channels[0]), level(channels[1]), level(channels[2]));
}

int ChatLineProcessor::wordOverlap(const QString &previousLine, const QString &line) {
    return sharedWords(previousLine, line, std::numeric_limits<int>::max());
}

ChatLine ChatLineProcessor::colourLine(const QString &markedLine, int stampLength) {
    FormattedText f(markedLine);
    const int pos = int(f.text().indexOf(newLineMarker()));
    if (pos < 0)
        return ChatLine::fromDisplayText(markedLine);
    f.remove(pos, 3);
    f.colour(pos, pos + kStampLength, ChatColors::stamp().rgb());

    const int q = int(f.text().indexOf(adminMarker(), pos));
    if (q >= 0) {
        f.remove(q, 3);
        f.colourBold(q, int(f.text().size()), ChatColors::admin().rgb());
    }

    const int r = int(f.text().indexOf(chatMarker(), pos));
    if (r >= 0) {
        f.remove(r, 3);
        const QStringView head = QStringView(f.text()).mid(r, 9);
        QRgb rgb = ChatColors::player().rgb();
        if (head == QLatin1String("SERVER: ("))
            rgb = ChatColors::serverParen().rgb();
        else if (head == QLatin1String("SERVER: A"))
            rgb = ChatColors::serverAdmin().rgb();
        f.colourBold(r, int(f.text().size()), rgb);
    }

    // Only the first colour tag of a line is turned into colour; a value that does not read as
    // a colour stays as text.
    const int t = int(f.text().indexOf(colourTagOpening(), pos));
    if (t >= 0 && f.text().indexOf(kTagClose, pos) >= 0) {
        // The value between the two quotation characters, e.g. 1, 0, 0, 1.
        const int quote = t + int(colourTagOpening().size()) - 1;
        const int endQuote = int(f.text().indexOf(QLatin1Char('"'), quote + 1));
        const std::optional<QRgb> rgb =
            endQuote < 0 ? std::nullopt
                         : tagColour(QStringView(f.text()).mid(quote + 1, endQuote - quote - 1));
        const int gt = rgb ? int(f.text().indexOf(QLatin1Char('>'), endQuote + 1)) : -1;
        const int close = gt >= 0 ? int(f.text().indexOf(kTagClose, gt + 1)) : -1;
        if (close >= 0) {
            f.remove(t + 2, gt - (t + 2) + 1);
            const int end = close - (gt - (t + 2) + 1);
            f.colour(t + 2, end, *rgb);
            f.remove(end, int(kTagClose.size()));
        }
    }

    const QString &shown = f.text();
    const int split = std::min(pos + stampLength, int(shown.size()));
    const QString stamp = shown.mid(pos, split - pos);
    // The stamp is followed by one blank that belongs to neither part.
    ChatLine line(stamp, shown.mid(split + 1), f.runs());
    if (pos != 0 || line.displayText() != shown)
        return ChatLine::fromDisplayText(shown, f.runs());
    return line;
}

namespace {

using Mode = ChatLineProcessor::Mode;
using DuplicateMemory = ChatLineProcessor::DuplicateMemory;
using Result = ChatLineProcessor::Result;

// A line of the block: characters [start, end) of the body, without its line feed.
struct LineSpan final {
    qsizetype start = 0;
    qsizetype end = 0;
};

// A line's stamp and text after word repair, markers and the stray parenthesis: everything the
// duplicate check looks at, before any colour.
struct PreparedLine final {
    QString stamp;
    QString line;
};

PreparedLine prepareLine(QStringView raw, Mode mode, const QString &chatStamp) {
    QString line = raw.toString();
    // A line cannot hold a paragraph break of its own.
    line.remove(QLatin1Char('\r'));

    if (!line.contains(QLatin1String("):")))
        line = ChatLineProcessor::repairWords(line);

    QString stamp;
    if (mode == Mode::GameLog) {
        stamp = QLatin1Char('[') + line.mid(2, 18);
        stamp.remove(QLatin1Char('.'));
        stamp.replace(QLatin1Char('_'), QLatin1Char('-'));
        stamp.replace(QLatin1Char(':'), QLatin1Char(']'));
        line = line.mid(21);
    } else {
        stamp = chatStamp;
    }

    const QString &chatMarker = ChatLineProcessor::chatMarker();
    if (line.startsWith(QLatin1String("AdminCmd:")))
        line.prepend(ChatLineProcessor::adminMarker());
    if (line.contains(QLatin1String("): ")) && line.contains(QLatin1String(" (")))
        line.prepend(chatMarker);
    if (!line.startsWith(chatMarker) && line.startsWith(QLatin1String("SERVER: Admin ")))
        line.prepend(chatMarker);

    // Tribe lines can end in "!", a closing colour tag and a stray ")": the ")" goes.
    const qsizetype n = line.size();
    if (line.contains(QLatin1String("ID")) && n >= 2 && line.at(n - 1) == QLatin1Char(')') &&
        (line.at(n - 2) == QLatin1Char('!') || (n >= 5 && line.at(n - 5) == QLatin1Char('!'))))
        line.chop(1);
    return {stamp, line};
}

// Game-log mode: the plain copy that the game writes in the same second after a coloured line.
// Only this line and the one before it decide; the word count, the dearest test, goes last.
bool isDuplicate(const QString &previousStamp, const QString &previousLine,
                 const PreparedLine &prepared) {
    const QString &tag = ChatLineProcessor::colourTagOpening();
    return prepared.stamp == previousStamp && !prepared.line.contains(tag) &&
           previousLine.contains(tag) && sharedWords(previousLine, prepared.line, 4) > 3;
}

ChatLine buildLine(const PreparedLine &prepared) {
    return ChatLineProcessor::colourLine(ChatLineProcessor::newLineMarker() + prepared.stamp +
                                             QLatin1Char(' ') + prepared.line,
                                         int(prepared.stamp.size()));
}

// The block's loop from a line start on: a line is taken while more than 8 characters remain;
// a remainder without line feed is the last line.
void processLines(QStringView rest, Mode mode, const QString &chatStamp, DuplicateMemory &memory,
                  Result &result) {
    while (rest.size() > kMinimumRest) {
        const qsizetype p = rest.indexOf(QLatin1Char('\n'));
        QStringView raw;
        if (p < 0) {
            // The block still left a remainder, so the view is saved.
            raw = rest;
            rest = QStringView();
            result.saveWanted = true;
        } else {
            raw = rest.left(p);
            rest = rest.mid(p + 1);
        }
        PreparedLine prepared = prepareLine(raw, mode, chatStamp);
        if (mode == Mode::GameLog) {
            if (!isDuplicate(memory.stamp, memory.line, prepared))
                result.lines.append(buildLine(prepared));
            memory.stamp = std::move(prepared.stamp);
            memory.line = std::move(prepared.line);
        } else {
            result.lines.append(buildLine(prepared));
        }
    }
    if (!rest.isEmpty())
        result.saveWanted = true;
}

// The last line that the loop takes; none when the body is 8 characters or shorter. A line
// starts at 0 or after a line feed, and is taken while more than 8 characters remain from there.
std::optional<LineSpan> lastLine(QStringView body) {
    const qsizetype size = body.size();
    if (size <= kMinimumRest)
        return std::nullopt;
    qsizetype start = 0;
    if (size > kMinimumRest + 1) {
        const qsizetype feed = body.lastIndexOf(QLatin1Char('\n'), size - kMinimumRest - 2);
        start = feed + 1;
    }
    const qsizetype feed = body.indexOf(QLatin1Char('\n'), start);
    return LineSpan{start, feed < 0 ? size : feed};
}

// The line before `line`, which must not be the block's first.
LineSpan previousLine(QStringView body, const LineSpan &line) {
    const qsizetype end = line.start - 1;
    const qsizetype feed = end > 0 ? body.lastIndexOf(QLatin1Char('\n'), end - 1) : -1;
    return LineSpan{feed + 1, end};
}

QStringView textOf(QStringView body, const LineSpan &line) {
    return body.mid(line.start, line.end - line.start);
}

bool answerWithoutLines(const QString &body, Result &result) {
    if (body.startsWith(kKeepAlive)) {
        result.outcome = ChatLineProcessor::Outcome::KeepAlive;
        return true;
    }
    if (AnswerText::isNoOutputAnswer(body)) {
        result.outcome = ChatLineProcessor::Outcome::NoResponse;
        return true;
    }
    return false;
}

QString chatStampOf(const QDateTime &receivedAt) {
    return LogStamp::format(receivedAt).left(kStampLength);
}

} // namespace

ChatLineProcessor::Result ChatLineProcessor::process(const QString &body, Mode mode,
                                                     const QDateTime &receivedAt,
                                                     DuplicateMemory &memory) {
    Result result;
    const QString plain = AnswerText::withPlainLineEnds(body);
    if (!answerWithoutLines(plain, result))
        processLines(plain, mode, chatStampOf(receivedAt), memory, result);
    return result;
}

ChatLineProcessor::Result ChatLineProcessor::processNewest(const QString &body, Mode mode,
                                                           const QDateTime &receivedAt,
                                                           DuplicateMemory &memory, int keep,
                                                           bool &olderLeftOut) {
    Result result;
    olderLeftOut = false;
    const QString plain = AnswerText::withPlainLineEnds(body);
    if (answerWithoutLines(plain, result))
        return result;
    keep = std::max(keep, 1);
    const QString chatStamp = chatStampOf(receivedAt);
    const QStringView text(plain);
    const std::optional<LineSpan> last = lastLine(text);
    if (!last) {
        processLines(text, mode, chatStamp, memory, result);
        return result;
    }

    // A block of no more than `keep` lines is processed whole; finding that out reads no line.
    LineSpan first = *last;
    for (int lines = 1; lines < keep && first.start > 0; ++lines)
        first = previousLine(text, first);
    if (mode == Mode::Chat || first.start == 0) {
        olderLeftOut = first.start > 0;
        processLines(text.mid(first.start), mode, chatStamp, memory, result);
        return result;
    }

    // Dropped duplicates leave room for older lines: walk back from the last line, deciding
    // only whether each line is added, until `keep` added lines are found. Whether a line is a
    // duplicate depends only on the line before it, so the lines before those are never built.
    first = *last;
    PreparedLine current = prepareLine(textOf(text, first), mode, chatStamp);
    int added = 0;
    while (first.start > 0) {
        const LineSpan before = previousLine(text, first);
        PreparedLine previous = prepareLine(textOf(text, before), mode, chatStamp);
        if (!isDuplicate(previous.stamp, previous.line, current) && ++added == keep) {
            // A line before `first` is added unless it is the first line, dropped as the
            // duplicate of the previous block's last line.
            olderLeftOut = before.start > 0 || !isDuplicate(memory.stamp, memory.line, previous);
            memory = DuplicateMemory{std::move(previous.stamp), std::move(previous.line)};
            break;
        }
        first = before;
        current = std::move(previous);
    }
    processLines(text.mid(first.start), mode, chatStamp, memory, result);
    return result;
}
