// Writing one key of the settings file keeps every other byte: afterwards the key reads back as
// written, and the file differs from before only in that key's line (changed in place, line
// break kept) or in the lines added for it (a last line without a break gains one).
#include "base/IniFile.h"
#include "base/WholeFile.h"

#include "FuzzInput.h"

namespace {

struct Layout {
    qsizetype bom = 0;
    int unit = 1;
    QByteArray lf;
    QByteArray cr;
};

// The encoding by the byte-order mark, as the settings file defines it.
Layout layoutOf(const QByteArray &bytes) {
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\x00\x00", 4)))
        return {4, 4, QByteArray("\n\0\0\0", 4), QByteArray("\r\0\0\0", 4)};
    if (bytes.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4)))
        return {4, 4, QByteArray("\0\0\0\n", 4), QByteArray("\0\0\0\r", 4)};
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {3, 1, QByteArray("\n"), QByteArray("\r")};
    if (bytes.startsWith("\xFF\xFE"))
        return {2, 2, QByteArray("\n\0", 2), QByteArray("\r\0", 2)};
    if (bytes.startsWith("\xFE\xFF"))
        return {2, 2, QByteArray("\0\n", 2), QByteArray("\0\r", 2)};
    return {0, 1, QByteArray("\n"), QByteArray("\r")};
}

// Lines with their breaks, then the bytes too few for a whole character.
QList<QByteArray> linesOf(const QByteArray &bytes, const Layout &layout, QByteArray *tail) {
    const qsizetype whole = bytes.size() - (bytes.size() - layout.bom) % layout.unit;
    *tail = bytes.mid(whole);
    QList<QByteArray> lines;
    qsizetype start = layout.bom;
    for (qsizetype at = layout.bom; at < whole; at += layout.unit) {
        if (QByteArrayView(bytes).sliced(at, layout.unit) == layout.lf) {
            lines << bytes.mid(start, at + layout.unit - start);
            start = at + layout.unit;
        }
    }
    if (start < whole)
        lines << bytes.mid(start, whole - start);
    return lines;
}

bool endsWithBreak(const QByteArray &line, const Layout &layout) {
    return line.endsWith(layout.lf);
}

// Letters, digits and "_" only, so that the name means the same in every encoding.
QString name(FuzzInput &input, int shortest) {
    static const char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    QString out;
    for (const char c : input.piece('\0'))
        out += QLatin1Char(kAlphabet[uint8_t(c) % (sizeof(kAlphabet) - 1)]);
    while (out.size() < shortest)
        out += QLatin1Char('k');
    return out.left(64);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    const QString section = name(input, 1);
    const QString key = name(input, 1);
    const QString value = name(input, 0);
    const QByteArray before = input.rest();
    const QString path = fuzzScratchFile("roundtrip.ini");
    FUZZ_CHECK(WholeFile::write(path, before));

    IniFile ini(path);
    FUZZ_CHECK(ini.writeString(section, key, value));
    FUZZ_CHECK(ini.readString(section, key) == value);
    QByteArray after;
    FUZZ_CHECK(WholeFile::read(path, &after) == WholeFile::ReadResult::Read);

    const Layout layout = layoutOf(before);
    FUZZ_CHECK(after.left(layout.bom) == before.left(layout.bom));
    QByteArray tailBefore;
    QByteArray tailAfter;
    const QList<QByteArray> old = linesOf(before, layout, &tailBefore);
    const QList<QByteArray> now = linesOf(after, layout, &tailAfter);
    FUZZ_CHECK(tailAfter == tailBefore);

    qsizetype head = 0;
    while (head < old.size() && head < now.size() && old[head] == now[head])
        ++head;
    qsizetype back = 0;
    while (back < old.size() - head && back < now.size() - head &&
           old[old.size() - 1 - back] == now[now.size() - 1 - back])
        ++back;
    const QList<QByteArray> gone = old.mid(head, old.size() - head - back);
    const QList<QByteArray> added = now.mid(head, now.size() - head - back);

    if (gone.isEmpty()) {
        // The key kept its value, or its lines were inserted between unchanged lines.
        FUZZ_CHECK(added.size() <= 2);
        for (const QByteArray &line : added)
            FUZZ_CHECK(endsWithBreak(line, layout));
    } else if (gone.size() == 1 && added.size() == 1) {
        // Changed in place: the same line break as before.
        const bool hadBreak = endsWithBreak(gone[0], layout);
        FUZZ_CHECK(endsWithBreak(added[0], layout) == hadBreak);
        const QByteArray crlf = layout.cr + layout.lf;
        FUZZ_CHECK(gone[0].endsWith(crlf) == added[0].endsWith(crlf));
    } else {
        // The old last line, which had no break, gained one; then the new lines follow it.
        FUZZ_CHECK(gone.size() == 1 && head + 1 == old.size());
        FUZZ_CHECK(!endsWithBreak(gone[0], layout));
        FUZZ_CHECK(added.size() >= 2 && added.size() <= 3);
        FUZZ_CHECK(added[0].startsWith(gone[0]));
        FUZZ_CHECK(endsWithBreak(added[0], layout));
        FUZZ_CHECK(added[0].size() - gone[0].size() <= 2 * layout.unit);
    }
    return 0;
}
