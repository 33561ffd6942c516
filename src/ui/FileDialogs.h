#pragma once

#include <QString>

#include <optional>

class QWidget;

// File choosers. Tests answer the next one in advance so that no modal dialog waits for a person.
class FileDialogs final {
public:
    // The file to write, or an empty name when the operator cancelled.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                const QString &filter);

    // An empty name answers as a cancel.
    static void setNextAnswer(const QString &fileName);
    static QString lastCaption();

private:
    static std::optional<QString> &nextAnswer();
};
