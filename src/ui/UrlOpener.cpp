#include "ui/UrlOpener.h"

#include <QDesktopServices>

#include <utility>

namespace {
QUrl &lastOpened() {
    static QUrl url;
    return url;
}
} // namespace

std::optional<bool> &UrlOpener::nextAnswer() {
    static std::optional<bool> answer;
    return answer;
}

void UrlOpener::setNextAnswer(bool opened) {
    nextAnswer() = opened;
}

QUrl UrlOpener::lastUrl() {
    return lastOpened();
}

bool UrlOpener::open(const QUrl &url) {
    lastOpened() = url;
    if (const std::optional<bool> answer = std::exchange(nextAnswer(), std::nullopt))
        return *answer;
    return QDesktopServices::openUrl(url);
}
