#pragma once

#include "chat/ChatLine.h"

#include <QByteArray>
#include <QList>

// Reads the paragraphs of a Rich Text document as chat lines with their colours and bold.
// Understands what common writers (rich-edit controls included) produce: font and colour
// tables, code pages per document and per font, \uN with its fallback, groups, and
// destinations it does not know, which it skips.
class RtfReader final {
public:
    static QList<ChatLine> read(const QByteArray &rtf);
};
