// Server logs written and read again: lines of any text with any colours and bold, written as
// Rich Text, must read back as the same lines.
#include "chat/RtfReader.h"
#include "chat/RtfWriter.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    QList<ChatLine> lines;
    while (!input.atEnd()) {
        // A line: its UTF-16 text up to a 0xFF byte, then up to three runs.
        const QByteArray raw = input.piece('\xff');
        QString text(raw.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(uint8_t(raw[2 * i]) | uint8_t(raw[2 * i + 1]) << 8));
        QList<ChatRun> runs;
        for (int n = input.number(0, 3); n > 0 && !input.atEnd(); --n) {
            ChatRun run;
            run.start = input.number(0, int(text.size()));
            run.length = input.number(0, int(text.size()));
            const uint8_t colour = input.byte();
            if (colour != 0)
                run.color = QColor(colour & 0xE0, (colour << 3) & 0xE0, (colour << 6) & 0xC0);
            run.bold = input.byte() & 1;
            runs << run;
        }
        lines << ChatLine::fromDisplayText(text, runs);
    }
    const QByteArray rtf = RtfWriter::write(lines);
    FUZZ_CHECK(rtf.startsWith("{\\rtf"));
    FUZZ_CHECK(RtfReader::read(rtf) == lines);
    return 0;
}
