#pragma once

#include "chat/ChatLine.h"

#include <QColor>
#include <QLatin1Char>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The chat colours by name, so an expected run reads "red" instead of "#ff0000".
inline QString colourName(const QColor &c) {
    if (!c.isValid())
        return QStringLiteral("text");
    static const QList<QPair<QRgb, const char *>> names{
        {qRgb(128, 128, 128), "grey"},  {qRgb(250, 130, 20), "orange"},
        {qRgb(255, 255, 0), "yellow"},  {qRgb(235, 179, 10), "gold"},
        {qRgb(255, 255, 255), "white"}, {qRgb(255, 0, 0), "red"},
        {qRgb(0, 255, 255), "cyan"},    {qRgb(255, 0, 255), "magenta"},
        {qRgb(0, 255, 0), "green"},     {qRgb(0, 0, 255), "blue"}};
    for (const auto &[rgb, name] : names) {
        if (c.rgb() == rgb)
            return QLatin1String(name);
    }
    return c.name();
}

// "grey[0,15) white*[16,29)": each run's colour, "*" for bold, and its span.
inline QString describe(const ChatLine &line) {
    QStringList parts;
    for (const ChatRun &run : line.runs()) {
        parts << QStringLiteral("%1%2[%3,%4)")
                     .arg(colourName(run.color), run.bold ? QStringLiteral("*") : QString())
                     .arg(run.start)
                     .arg(run.start + run.length);
    }
    return parts.join(QLatin1Char(' '));
}
