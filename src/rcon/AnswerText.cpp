#include "rcon/AnswerText.h"

namespace {

constexpr QStringView kNoOutput = u"Server received, But no response!!";

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// One look at the answer, without copying it: most answers already have plain line ends.
bool needsChange(QStringView answer) {
    const qsizetype size = answer.size();
    if (size == 0)
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = answer.at(i);
        if (c == QLatin1Char('\r'))
            return true;
        if (c == QLatin1Char('\n') && i > 0 && isBlank(answer.at(i - 1)))
            return true;
    }
    return isBlank(answer.at(size - 1));
}

void chopBlanks(QString &text) {
    qsizetype end = text.size();
    while (end > 0 && isBlank(text.at(end - 1)))
        --end;
    text.truncate(end);
}

} // namespace

QString AnswerText::withPlainLineEnds(const QString &answer) {
    if (!needsChange(answer))
        return answer;
    QString plain;
    plain.reserve(answer.size());
    const qsizetype size = answer.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = answer.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < size && answer.at(i + 1) == QLatin1Char('\n'))
                ++i;
            chopBlanks(plain);
            plain.append(QLatin1Char('\n'));
        } else {
            plain.append(c);
        }
    }
    chopBlanks(plain);
    return plain;
}

bool AnswerText::isNoOutputAnswer(QStringView answer) {
    // What follows the phrase is not looked at, so trailing blanks, CR LF and padding pass too.
    return answer.startsWith(kNoOutput, Qt::CaseInsensitive);
}
