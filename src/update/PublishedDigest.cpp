#include "update/PublishedDigest.h"

namespace {
constexpr int kHexDigits = 64;

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
} // namespace

QString PublishedDigest::fileName(const QString &executable) {
    return executable + QStringLiteral(".sha256");
}

QByteArray PublishedDigest::parse(const QByteArray &file) {
    QByteArray line = file;
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    if (line.size() < kHexDigits + 3 || line.contains('\n') || line.contains('\r'))
        return {};
    for (int i = 0; i < kHexDigits; ++i) {
        if (!isHexDigit(line.at(i)))
            return {};
    }
    const char separator = line.at(kHexDigits + 1);
    if (line.at(kHexDigits) != ' ' || (separator != ' ' && separator != '*'))
        return {};
    return QByteArray::fromHex(line.left(kHexDigits));
}
