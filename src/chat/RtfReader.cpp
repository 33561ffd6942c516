#include "chat/RtfReader.h"

#include "base/AnsiCodec.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <optional>
#include <vector>

namespace {

// Groups whose text is never shown.
const QSet<QByteArray> &skippedDestinations() {
    static const QSet<QByteArray> words{
        "stylesheet",
        "info",
        "pict",
        "object",
        "objdata",
        "header",
        "headerl",
        "headerr",
        "headerf",
        "footer",
        "footerl",
        "footerr",
        "footerf",
        "footnote",
        "annotation",
        "atnid",
        "atnauthor",
        "xe",
        "tc",
        "rxe",
        "txe",
        "listtable",
        "listoverridetable",
        "revtbl",
        "rsidtbl",
        "generator",
        "fldinst",
        "filetbl",
        "pntext",
        "pntxta",
        "pntxtb",
        "pn",
        "themedata",
        "colorschememapping",
        "latentstyles",
        "datastore",
        "xmlnstbl",
        "mmathPr",
        "bkmkstart",
        "bkmkend",
        "nonshppict",
        "shp",
        "shpinst",
        "sp",
        "userprops",
        "docvar",
        "template",
        "title",
        "subject",
        "author",
        "operator",
        "keywords",
        "comment",
        "doccomm",
        "company",
        "category",
        "manager",
        "hlinkbase",
        "buptim",
        "creatim",
        "printim",
        "revtim",
        "falt",
        "panose",
        "fname",
        "ftnsep",
        "ftnsepc",
        "ftncn",
        "aftnsep",
        "aftnsepc",
        "aftncn",
        "pgdsctbl",
        "listpicture",
        "lsdlockedexcept",
        "wgrffmtfilter",
        "passwordhash",
        "protusertbl",
        "xmlopen",
        "xmlclose",
        "fontemb",
        "fontfile",
    };
    return words;
}

int codepageOfCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // ANSI, default and symbol fonts follow the document's code page
    }
}

QString decodeCodepage(const QByteArray &bytes, int codepage) {
    if (codepage == 1252 || codepage == 0)
        return AnsiCodec::decode(bytes);
    QByteArray name;
    switch (codepage) {
    case 932:
        name = "Shift_JIS";
        break;
    case 936:
        name = "GBK";
        break;
    case 949:
        name = "windows-949";
        break;
    case 950:
        name = "Big5";
        break;
    case 1361:
        name = "johab";
        break;
    case 10000:
        name = "macintosh";
        break;
    case 65001:
        name = "UTF-8";
        break;
    default:
        name = (codepage >= 1250 && codepage <= 1258) || codepage == 874
                   ? "windows-" + QByteArray::number(codepage)
                   : "IBM" + QByteArray::number(codepage);
    }
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return AnsiCodec::decode(bytes);
    return decoder.decode(bytes);
}

class Parser final {
public:
    explicit Parser(const QByteArray &data)
        : m_data(data) {
        m_stack.push_back(Group{});
    }

    QList<ChatLine> run() {
        while (m_pos < m_data.size()) {
            const char c = m_data.at(m_pos++);
            switch (c) {
            case '{':
                flushBytes();
                m_stack.push_back(Group(m_stack.back()));
                break;
            case '}':
                flushBytes();
                if (m_stack.size() > 1)
                    m_stack.pop_back();
                m_skipChars = 0;
                break;
            case '\\':
                control();
                break;
            case '\r':
            case '\n':
                break;
            default:
                if (m_skipChars == 0 && top().destination == Destination::Body && !top().hidden) {
                    // Plain text comes in long stretches: take each in one piece.
                    const qsizetype start = m_pos - 1;
                    while (m_pos < m_data.size() && !isSpecial(m_data.at(m_pos)))
                        ++m_pos;
                    m_bytes.append(m_data.constData() + start, m_pos - start);
                } else {
                    character(c);
                }
            }
        }
        flushBytes();
        if (!m_text.isEmpty())
            endParagraph();
        return m_lines;
    }

private:
    enum class Destination { Body, FontTable, ColourTable, Skip };
    struct Group {
        Destination destination = Destination::Body;
        int colour = 0;
        bool bold = false;
        bool hidden = false;
        int font = -1;
        int uc = 1;
    };

    Group &top() { return m_stack.back(); }

    void character(char c) {
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        switch (top().destination) {
        case Destination::Body:
            if (!top().hidden)
                m_bytes.append(c);
            break;
        case Destination::ColourTable:
            if (c == ';') {
                m_colours.append(m_colourSeen ? std::optional<QRgb>(qRgb(m_red, m_green, m_blue))
                                              : std::nullopt);
                m_red = m_green = m_blue = 0;
                m_colourSeen = false;
            }
            break;
        case Destination::FontTable:
        case Destination::Skip:
            break;
        }
    }

    void control() {
        if (m_pos >= m_data.size())
            return;
        const char c = m_data.at(m_pos);
        if (!isLetter(c)) {
            ++m_pos;
            symbol(c);
            return;
        }
        const qsizetype wordStart = m_pos;
        while (m_pos < m_data.size() && isLetter(m_data.at(m_pos)))
            ++m_pos;
        const QByteArrayView word(m_data.constData() + wordStart, m_pos - wordStart);
        bool hasParam = false;
        int param = 0;
        const qsizetype paramStart = m_pos;
        if (m_pos < m_data.size() && m_data.at(m_pos) == '-')
            ++m_pos;
        while (m_pos < m_data.size() && m_data.at(m_pos) >= '0' && m_data.at(m_pos) <= '9')
            ++m_pos;
        if (m_pos > paramStart && !(m_pos == paramStart + 1 && m_data.at(paramStart) == '-')) {
            // A number out of range counts as no number at all.
            param = QByteArrayView(m_data.constData() + paramStart, m_pos - paramStart)
                        .toInt(&hasParam);
        } else {
            m_pos = paramStart;
        }
        if (m_pos < m_data.size() && m_data.at(m_pos) == ' ')
            ++m_pos;

        if (word == "bin") {
            // Binary data counts as one character for a \u fallback.
            m_pos += std::max(param, 0);
            if (m_skipChars > 0)
                --m_skipChars;
            return;
        }
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        if (top().destination == Destination::Skip)
            return;
        flushBytes();
        word_(word, hasParam, param);
    }

    void symbol(char c) {
        if (c == '\'') {
            const QByteArray hex = m_data.mid(m_pos, 2);
            m_pos += hex.size();
            if (m_skipChars > 0) {
                --m_skipChars;
                return;
            }
            bool ok = hex.size() == 2;
            const int byte = ok ? hex.toInt(&ok, 16) : 0;
            if (ok && top().destination == Destination::Body && !top().hidden)
                m_bytes.append(char(byte));
            return;
        }
        if (c == '\\' || c == '{' || c == '}') {
            character(c);
            return;
        }
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        if (c == '*') {
            top().destination = Destination::Skip;
            return;
        }
        if (top().destination != Destination::Body)
            return;
        flushBytes();
        switch (c) {
        case '~':
            appendText(QString(QChar(0x00A0)));
            break;
        case '_':
            appendText(QString(QChar(0x2011)));
            break;
        case '\r':
        case '\n':
            endParagraph();
            break;
        default:
            break; // \- optional hyphen, \| and \: formula and index marks
        }
    }

    void word_(QByteArrayView word, bool hasParam, int param) {
        Group &g = top();
        if (g.destination == Destination::Body && bodyFormatting(g, word, hasParam, param))
            return;
        if (word == "fonttbl") {
            g.destination = Destination::FontTable;
            return;
        }
        if (word == "colortbl") {
            g.destination = Destination::ColourTable;
            return;
        }
        if (skippedDestinations().contains(word.toByteArray())) {
            g.destination = Destination::Skip;
            return;
        }
        if (word == "ansicpg" && hasParam) {
            m_ansiCodepage = param;
        } else if (word == "ansi") {
            m_ansiCodepage = 1252;
        } else if (word == "mac") {
            m_ansiCodepage = 10000;
        } else if (word == "pc") {
            m_ansiCodepage = 437;
        } else if (word == "pca") {
            m_ansiCodepage = 850;
        } else if (word == "deff" && hasParam) {
            m_defaultFont = param;
        } else if (word == "uc" && hasParam) {
            g.uc = std::max(param, 0);
        }

        switch (g.destination) {
        case Destination::FontTable:
            fontTableWord(word, hasParam, param);
            return;
        case Destination::ColourTable:
            if (word == "red")
                m_red = param;
            else if (word == "green")
                m_green = param;
            else if (word == "blue")
                m_blue = param;
            else
                return;
            m_colourSeen = true;
            return;
        case Destination::Skip:
            return;
        case Destination::Body:
            break;
        }

        if (word == "line" || word == "sect" || word == "page" || word == "row") {
            endParagraph();
        } else if (word == "v") {
            g.hidden = !hasParam || param != 0;
        } else if (word == "f" && hasParam) {
            g.font = param;
        } else if (word == "plain") {
            g.colour = 0;
            g.bold = false;
            g.hidden = false;
            g.font = -1;
        } else if (word == "tab" || word == "cell") {
            appendText(QStringLiteral("\t"));
        } else if (const QChar special = specialCharacter(word); !special.isNull()) {
            appendText(QString(special));
        }
    }

    // The words of every paragraph, answered before the rarer ones are looked up.
    bool bodyFormatting(Group &g, QByteArrayView word, bool hasParam, int param) {
        if (word == "par") {
            endParagraph();
        } else if (word == "cf") {
            g.colour = param;
        } else if (word == "b") {
            g.bold = !hasParam || param != 0;
        } else if (word == "u" && hasParam && param >= -32768 && param <= 65535) {
            appendText(QString(QChar(char16_t(param < 0 ? param + 65536 : param))));
            m_skipChars = g.uc;
        } else {
            return false;
        }
        return true;
    }

    void fontTableWord(QByteArrayView word, bool hasParam, int param) {
        if (word == "f" && hasParam) {
            m_tableFont = param;
        } else if (word == "fcharset" && hasParam) {
            if (const int cp = codepageOfCharset(param); cp != 0)
                m_fontCodepage.insert(m_tableFont, cp);
        } else if (word == "cpg" && hasParam) {
            m_fontCodepage.insert(m_tableFont, param);
        }
    }

    static QChar specialCharacter(QByteArrayView word) {
        static const QHash<QByteArray, char16_t> table{
            {"emdash", 0x2014},    {"endash", 0x2013},    {"lquote", 0x2018}, {"rquote", 0x2019},
            {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"bullet", 0x2022}, {"emspace", 0x2003},
            {"enspace", 0x2002},   {"qmspace", 0x2005},   {"zwj", 0x200D},    {"zwnj", 0x200C},
            {"ltrmark", 0x200E},   {"rtlmark", 0x200F},
        };
        const auto it = table.constFind(word.toByteArray());
        return it == table.constEnd() ? QChar() : QChar(*it);
    }

    static bool isSpecial(char c) {
        return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n';
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    int currentCodepage() {
        const int font = top().font >= 0 ? top().font : m_defaultFont;
        return m_fontCodepage.value(font, m_ansiCodepage);
    }

    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        const QString text = decodeCodepage(m_bytes, currentCodepage());
        m_bytes.clear();
        appendText(text);
    }

    void appendText(const QString &text) {
        if (text.isEmpty() || top().hidden)
            return;
        const Group &g = top();
        QColor colour;
        if (g.colour > 0 && g.colour < m_colours.size() && m_colours.at(g.colour))
            colour = QColor::fromRgb(*m_colours.at(g.colour));
        else if (g.colour == 0 && !m_colours.isEmpty() && m_colours.constFirst())
            colour = QColor::fromRgb(*m_colours.constFirst());
        const int start = int(m_text.size());
        m_text.append(text);
        if (!m_runs.isEmpty()) {
            ChatRun &last = m_runs.last();
            if (last.start + last.length == start && last.color == colour && last.bold == g.bold) {
                last.length += int(text.size());
                return;
            }
        }
        m_runs.append({start, int(text.size()), colour, g.bold});
    }

    void endParagraph() {
        flushBytes();
        m_lines.append(ChatLine::fromDisplayText(m_text, m_runs));
        m_text.clear();
        m_runs.clear();
    }

    const QByteArray &m_data;
    qsizetype m_pos = 0;
    std::vector<Group> m_stack;
    QList<std::optional<QRgb>> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSeen = false;
    QHash<int, int> m_fontCodepage;
    int m_tableFont = 0;
    int m_defaultFont = 0;
    int m_ansiCodepage = 1252;
    int m_skipChars = 0;
    QByteArray m_bytes;
    QString m_text;
    QList<ChatRun> m_runs;
    QList<ChatLine> m_lines;
};

} // namespace

QList<ChatLine> RtfReader::read(const QByteArray &rtf) {
    return Parser(rtf).run();
}
