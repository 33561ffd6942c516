// The chat and game-log line processor, fed answers to "GetGameLog" / "Getchat" as they arrive:
// text decoded from the packet bytes, several blocks in a row for one view. The shortcut that
// builds only a view's newest lines must agree with processing the whole block, and the view
// must hold exactly the lines the blocks added.
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "rcon/RconPacket.h"

#include "FuzzInput.h"

namespace {
bool sameMemory(const ChatLineProcessor::DuplicateMemory &a,
                const ChatLineProcessor::DuplicateMemory &b) {
    return a.stamp == b.stamp && a.line == b.line;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    const auto mode =
        (input.byte() & 1) ? ChatLineProcessor::Mode::Chat : ChatLineProcessor::Mode::GameLog;
    const int keep = input.number(1, 8);
    const QDateTime receivedAt(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);

    ChatLog view;
    view.setServerName(QStringLiteral("Alpha"));
    QList<ChatLine> expected;
    ChatLineProcessor::DuplicateMemory whole;
    ChatLineProcessor::DuplicateMemory newest;
    // Blocks are separated by zero bytes.
    while (!input.atEnd()) {
        const QString body = RconPacket::decodeText(input.piece('\0'));

        const ChatLineProcessor::DuplicateMemory viewMemory = view.duplicateMemory();
        FUZZ_CHECK(sameMemory(viewMemory, whole));
        const ChatLineProcessor::Result all =
            ChatLineProcessor::process(body, mode, receivedAt, whole);
        bool olderLeftOut = false;
        const ChatLineProcessor::Result last =
            ChatLineProcessor::processNewest(body, mode, receivedAt, newest, keep, olderLeftOut);
        FUZZ_CHECK(last.outcome == all.outcome);
        FUZZ_CHECK(last.saveWanted == all.saveWanted);
        FUZZ_CHECK(sameMemory(newest, whole));
        FUZZ_CHECK(olderLeftOut == (all.lines.size() > keep));
        FUZZ_CHECK(last.lines == all.lines.mid(std::max<qsizetype>(0, all.lines.size() - keep)));

        const ChatLineProcessor::Result shown = view.processBody(body, mode, receivedAt);
        FUZZ_CHECK(shown.lines ==
                   all.lines.mid(std::max<qsizetype>(0, all.lines.size() - ChatLog::kMaxLines)));
        expected += all.lines;
        if (expected.size() <= ChatLog::kMaxLines)
            FUZZ_CHECK(view.lines() == expected);
        FUZZ_CHECK(view.lineCount() <= ChatLog::kMaxLines);
        for (const ChatLine &line : view.lines()) {
            for (const ChatRun &run : line.runs())
                FUZZ_CHECK(run.start >= 0 && run.start + run.length <= line.displayText().size());
        }
    }
    return 0;
}
