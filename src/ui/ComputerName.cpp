#include "ui/ComputerName.h"

#include <QSysInfo>

namespace {
QString &testName() {
    static QString name;
    return name;
}
} // namespace

QString ComputerName::name() {
    if (!testName().isEmpty())
        return testName();
    const QString host = QSysInfo::machineHostName();
    return host.section(QLatin1Char('.'), 0, 0).left(15);
}

void ComputerName::setForTesting(const QString &name) {
    testName() = name;
}

bool ComputerName::isDemoComputer() {
    return name().compare(QLatin1String("QUIMBEX"), Qt::CaseInsensitive) == 0;
}
