#include "base/NameQuotes.h"

QString NameQuotes::quoted(QStringView name) {
    QString text;
    text.reserve(name.size() + 2);
    text.append(kOpen);
    text.append(name);
    text.append(kClose);
    return text;
}
