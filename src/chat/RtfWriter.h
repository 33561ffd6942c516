#pragma once

#include "chat/ChatLine.h"

#include <QByteArray>
#include <QList>

// Writes chat lines as a Rich Text document: a colour table, one paragraph per line, and
// \cfN and \b runs inside each paragraph. Text outside Windows-1252 is written as \uN?.
class RtfWriter final {
public:
    static QByteArray write(const QList<ChatLine> &lines);
};
