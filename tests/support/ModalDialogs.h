#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Works the next modal dialog of type T once it shows: `step` runs inside the dialog's own event
// loop and must close it. Gives up unseen after `ms`, so a dialog that never came cannot take the
// step of a later one.
template <typename T> void whenModalShown(std::function<void(T *)> step, int ms = 10000) {
    auto *timer = new QTimer(qApp);
    const QDeadlineTimer deadline(ms);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step, deadline] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        const bool shown = dialog && dialog->isVisible();
        if (shown || deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
        if (shown)
            step(dialog);
    });
    timer->start(5);
}
