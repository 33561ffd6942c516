#pragma once

#include <QUrl>

#include <optional>

// Opens web pages in the desktop's default browser. Tests answer the next request in advance so
// that no browser starts.
class UrlOpener final {
public:
    // False when no browser took the page; nobody is told, as there is nothing to do about it.
    static bool open(const QUrl &url);

    // The next request opens nothing and reports `opened`.
    static void setNextAnswer(bool opened);
    static QUrl lastUrl();

private:
    static std::optional<bool> &nextAnswer();
};
