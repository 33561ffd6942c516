// The server-log reader: Rich Text from any writer, or plain text. Every line's runs lie inside
// its text, and what was read, written again as Rich Text, reads back as the same lines.
#include "chat/RtfReader.h"
#include "chat/RtfWriter.h"
#include "chat/ServerLogFile.h"

#include "FuzzInput.h"

namespace {
void checkRuns(const ChatLine &line) {
    int end = 0;
    for (const ChatRun &run : line.runs()) {
        FUZZ_CHECK(run.start >= end);
        FUZZ_CHECK(run.length > 0);
        end = run.start + run.length;
        FUZZ_CHECK(end <= line.displayText().size());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // As Rich Text whatever the start, and the way the log file is read (plain text without
    // the "{\rtf" start).
    const QList<ChatLine> rich = RtfReader::read(bytes);
    const QList<ChatLine> asFile = ServerLogFile::parse(bytes);
    for (const QList<ChatLine> *lines : {&rich, &asFile}) {
        for (const ChatLine &line : *lines)
            checkRuns(line);
        FUZZ_CHECK(RtfReader::read(RtfWriter::write(*lines)) == *lines);
    }
    return 0;
}
