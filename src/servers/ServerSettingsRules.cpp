#include "servers/ServerSettingsRules.h"

#include <QCoreApplication>

namespace {

bool startsWithBlank(const QString &text) {
    return text.startsWith(QLatin1Char(' '));
}

} // namespace

ServerSettingsRefusal ServerSettingsRules::checkFields(const ServerSettings &settings) {
    if (!isValidServername(settings.name))
        return ServerSettingsRefusal::InvalidServername;
    for (const QString *text : {&settings.name, &settings.host, &settings.port}) {
        if (text->isEmpty() || startsWithBlank(*text))
            return ServerSettingsRefusal::InvalidInput;
    }
    for (const QString *text :
         {&settings.name, &settings.host, &settings.port, &settings.password}) {
        if (hasControlCharacter(*text))
            return ServerSettingsRefusal::InvalidInput;
    }
    if (!isPortText(settings.port))
        return ServerSettingsRefusal::InvalidPort;
    return ServerSettingsRefusal::None;
}

ServerSettingsRefusal ServerSettingsRules::checkField(ServerField field, const QString &text) {
    if (field == ServerField::Name && !isValidServername(text))
        return ServerSettingsRefusal::InvalidServername;
    if (field != ServerField::Password && (text.isEmpty() || startsWithBlank(text)))
        return ServerSettingsRefusal::InvalidInput;
    if (hasControlCharacter(text))
        return ServerSettingsRefusal::InvalidInput;
    if (field == ServerField::Port && !isPortText(text))
        return ServerSettingsRefusal::InvalidPort;
    return ServerSettingsRefusal::None;
}

bool ServerSettingsRules::isValidServername(const QString &name) {
    static const QString forbidden = QStringLiteral("\\/:*?<>|\"");
    for (const QChar c : name) {
        if (forbidden.contains(c))
            return false;
    }
    return !name.contains(QLatin1String("channel offline"), Qt::CaseInsensitive);
}

bool ServerSettingsRules::hasControlCharacter(const QString &text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

bool ServerSettingsRules::isPortText(const QString &text) {
    QStringView digits(text);
    bool negative = false;
    if (!digits.isEmpty() &&
        (digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.mid(1);
    }
    if (digits.isEmpty())
        return false;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - u'0');
        if (value > kPortMax)
            return false;
    }
    // "-0" and "0" name no port, nor does any negative number.
    return !negative && value >= 1;
}

QString ServerSettingsRules::refusalText(ServerSettingsRefusal refusal) {
    switch (refusal) {
    case ServerSettingsRefusal::None:
        return {};
    case ServerSettingsRefusal::InvalidServername:
        return QCoreApplication::translate("ServerSettingsRules", "Invalid servername!");
    case ServerSettingsRefusal::InvalidInput:
        return QCoreApplication::translate("ServerSettingsRules", "Invalid input!");
    case ServerSettingsRefusal::InvalidPort:
        return QCoreApplication::translate("ServerSettingsRules", "Invalid port!");
    case ServerSettingsRefusal::ServernameExists:
        return QCoreApplication::translate("ServerSettingsRules", "Servername already exists!");
    }
    return {};
}
