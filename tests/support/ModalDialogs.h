#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Works the next modal dialog of type T once it shows: `step` runs inside the dialog's own event
// loop and must close it. Made before the call that runs the dialog; once it goes out of scope
// its step can no longer run, so a dialog that never came cannot take the step of a later one.
template <typename T> class ModalStep final {
public:
    explicit ModalStep(std::function<void(T *)> step, int ms = 10000)
        : m_step(std::move(step))
        , m_deadline(ms) {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            const bool shown = dialog && dialog->isVisible();
            if (shown || m_deadline.hasExpired())
                m_timer.stop();
            if (shown) {
                m_ran = true;
                m_step(dialog);
            }
        });
        m_timer.start(5);
    }
    ModalStep(const ModalStep &) = delete;
    ModalStep &operator=(const ModalStep &) = delete;

    // The dialog showed and the step ran.
    bool ran() const { return m_ran; }

private:
    std::function<void(T *)> m_step;
    QDeadlineTimer m_deadline;
    QTimer m_timer;
    bool m_ran = false;
};
