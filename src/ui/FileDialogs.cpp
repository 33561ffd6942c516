#include "ui/FileDialogs.h"

#include <QFileDialog>

namespace {
QString &lastShown() {
    static QString caption;
    return caption;
}
} // namespace

std::optional<QString> &FileDialogs::nextAnswer() {
    static std::optional<QString> answer;
    return answer;
}

void FileDialogs::setNextAnswer(const QString &fileName) {
    nextAnswer() = fileName;
}

QString FileDialogs::lastCaption() {
    return lastShown();
}

QString FileDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                  const QString &filter) {
    lastShown() = caption;
    if (auto answer = nextAnswer()) {
        nextAnswer().reset();
        return *answer;
    }
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}
