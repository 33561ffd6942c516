#include "servers/TableFile.h"

#include "base/AnsiCodec.h"
#include "base/WholeFile.h"
#include "servers/StringTable.h"

#include <algorithm>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

void setError(QString *errorText, const QString &text) {
    if (errorText)
        *errorText = text;
}

QByteArray cellLine(const QString &text) {
    QByteArray bytes = AnsiCodec::encode(text).left(TableFile::kMaxCellBytes);
    // A control byte could scramble into CR or LF and split the cell over two lines.
    for (char &b : bytes) {
        if (static_cast<unsigned char>(b) < 32)
            b = ' ';
    }
    return ScrambleText(bytes);
}

// Optional sign and decimal digits only; anything else leaves ok false.
bool parseCount(const QByteArray &line, int *count) {
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
        return false;
    int i = (text.at(0) == '-' || text.at(0) == '+') ? 1 : 0;
    if (i == text.size())
        return false;
    for (int k = i; k < text.size(); ++k) {
        if (text.at(k) < '0' || text.at(k) > '9')
            return false;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return false;
    *count = value;
    return true;
}

// Splits at LF and drops the CR before it; a final line end does not open another line.
QList<QByteArray> splitLines(const QByteArray &data) {
    QList<QByteArray> lines = data.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

QByteArray ScrambleText(const QByteArray &bytes) {
    QByteArray out = bytes;
    for (char &b : out)
        b = static_cast<char>(b ^ TableFile::kCellMask);
    return out;
}

bool SaveStringGrid(const StringTable &table, const QString &fileName, QString *errorText) {
    QByteArray data;
    data += QByteArray::number(table.columnCount()) + kLineEnd;
    data += QByteArray::number(table.rowCount()) + kLineEnd;
    for (int c = 0; c < table.columnCount(); ++c) {
        for (int r = 0; r < table.rowCount(); ++r)
            data += cellLine(table.cell(c, r)) + kLineEnd;
    }
    return WholeFile::write(fileName, data, errorText);
}

bool LoadStringGrid(StringTable &table, const QString &fileName, QString *errorText) {
    QByteArray data;
    switch (WholeFile::read(fileName, &data, errorText)) {
    case WholeFile::ReadResult::Missing:
        setError(errorText, QStringLiteral("the file does not exist"));
        return false;
    case WholeFile::ReadResult::Failed:
        return false;
    case WholeFile::ReadResult::Read:
        break;
    }

    const QList<QByteArray> lines = splitLines(data);
    int columns = 0;
    int rows = 0;
    if (lines.isEmpty() || !parseCount(lines.at(0), &columns)) {
        setError(errorText, QStringLiteral("line 1 does not hold the column count"));
        return false;
    }
    if (lines.size() < 2 || !parseCount(lines.at(1), &rows)) {
        setError(errorText, QStringLiteral("line 2 does not hold the row count"));
        return false;
    }
    columns = std::max(1, columns);
    rows = std::max(1, rows);
    if (static_cast<qint64>(columns) * rows > TableFile::kMaxCells) {
        setError(
            errorText,
            QStringLiteral("the counts %1 x %2 exceed the table limit").arg(columns).arg(rows));
        return false;
    }

    StringTable loaded(columns, rows);
    int next = 2;
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows && next < lines.size(); ++r, ++next) {
            const QByteArray bytes = lines.at(next).left(TableFile::kMaxCellBytes);
            loaded.setCell(c, r, AnsiCodec::decode(ScrambleText(bytes)));
        }
    }
    table = loaded;
    return true;
}
