#include "chat/RtfWriter.h"

#include "base/AnsiCodec.h"

#include <QHash>

namespace {

const char kHex[] = "0123456789abcdef";

void appendNumber(QByteArray &out, int n) {
    out.append(QByteArray::number(n));
}

bool isPlain(char16_t u) {
    return u >= 0x20 && u < 0x80 && u != '\\' && u != '{' && u != '}';
}

void appendEscaped(QByteArray &out, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (isPlain(u)) {
            // Most text is plain ASCII: copy each stretch of it in one go.
            qsizetype end = i + 1;
            while (end < text.size() && isPlain(text.at(end).unicode()))
                ++end;
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char *dst = out.data() + at;
            for (qsizetype k = i; k < end; ++k)
                *dst++ = char(text.at(k).unicode());
            i = end - 1;
        } else if (u == '\\' || u == '{' || u == '}') {
            out.append('\\');
            out.append(char(u));
        } else if (u == '\t') {
            out.append("\\tab ");
        } else {
            const QByteArray encoded = (u < 0x20 || (u >= 0xA0 && u <= 0xFF))
                                           ? QByteArray(1, char(u))
                                           : AnsiCodec::encode(QString(c));
            if (encoded != "?" && AnsiCodec::decode(encoded) == QString(c)) {
                const auto b = static_cast<unsigned char>(encoded.at(0));
                out.append("\\'");
                out.append(kHex[b >> 4]);
                out.append(kHex[b & 0xf]);
            } else {
                // Signed 16-bit, one per UTF-16 unit; "?" for readers that skip \u.
                out.append("\\u");
                appendNumber(out, int(static_cast<qint16>(u)));
                out.append('?');
            }
        }
    }
}

} // namespace

QByteArray RtfWriter::write(const QList<ChatLine> &lines) {
    // Colour 1 is the view's own text colour; the others are added as lines use them.
    QList<QRgb> table{ChatColors::viewText().rgb()};
    QHash<QRgb, int> index{{ChatColors::viewText().rgb(), 1}};
    for (const ChatLine &line : lines) {
        for (const ChatRun &run : line.runs()) {
            if (run.color.isValid() && !index.contains(run.color.rgb())) {
                table.append(run.color.rgb());
                index.insert(run.color.rgb(), int(table.size()));
            }
        }
    }

    QByteArray out;
    qsizetype estimate = 512;
    for (const ChatLine &line : lines)
        estimate += line.displayText().size() + 16 + line.runs().size() * 16;
    out.reserve(estimate);

    out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031"
               "{\\fonttbl{\\f0\\fswiss\\fcharset0 Tahoma;}}\r\n{\\colortbl ;");
    for (const QRgb rgb : table) {
        out.append("\\red");
        appendNumber(out, qRed(rgb));
        out.append("\\green");
        appendNumber(out, qGreen(rgb));
        out.append("\\blue");
        appendNumber(out, qBlue(rgb));
        out.append(';');
    }
    out.append("}\r\n\\viewkind4\\uc1\\pard\\f0\\fs17\\cf1\\b0 ");

    int colour = 1;
    bool bold = false;
    const auto setFormat = [&](int wantColour, bool wantBold) {
        if (wantColour == colour && wantBold == bold)
            return;
        if (wantColour != colour) {
            out.append("\\cf");
            appendNumber(out, wantColour);
        }
        if (wantBold != bold)
            out.append(wantBold ? "\\b" : "\\b0");
        out.append(' ');
        colour = wantColour;
        bold = wantBold;
    };

    for (const ChatLine &line : lines) {
        const QStringView text(line.displayText());
        int at = 0;
        for (const ChatRun &run : line.runs()) {
            if (run.start > at) {
                setFormat(1, false);
                appendEscaped(out, text.mid(at, run.start - at));
            }
            setFormat(run.color.isValid() ? index.value(run.color.rgb()) : 1, run.bold);
            appendEscaped(out, text.mid(run.start, run.length));
            at = run.start + run.length;
        }
        if (at < text.size()) {
            setFormat(1, false);
            appendEscaped(out, text.mid(at));
        }
        out.append("\\par\r\n");
    }
    out.append("}\r\n");
    return out;
}
