#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// Names in the program's texts and log lines stand between a backquote and an acute accent:
// `The Island´. The statistics find names in the program log by exactly these two characters.
namespace NameQuotes {

constexpr QChar kOpen{u'`'};
constexpr QChar kClose{u'\u00B4'};

// "`" + name + "´".
QString quoted(QStringView name);

} // namespace NameQuotes
