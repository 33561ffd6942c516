#pragma once

#include <QObject>
#include <QString>

class ProgramState;

// Decides which alert a poll-cycle event raises under the notification kind of the options and
// asks the presentation for it through its signals. Nothing is raised while the first pass runs,
// so the start-up discovery stays quiet.
class Notifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Notifier)

public:
    static constexpr int kRiseHz = 400;
    static constexpr int kFallHz = 200;
    static constexpr int kBeepMs = 150;

    // The options are read at every event, so a change in the options dialog applies at once.
    explicit Notifier(const ProgramState *state, QObject *parent = nullptr);

    // One notification text ("`Name´ joined @ `Server´", "Serverstatus (...):  Online", ...).
    void playerinfo(const QString &text);
    // The player list was rebuilt with `current` players; `previous` is the count of the last
    // rebuild. `playerSetChanged` is clear after a failed visit or a deleted server's removal:
    // such a rebuild makes no sound.
    void playerCountChanged(int previous, int current, bool playerSetChanged = true);

signals:
    void popupRequested(const QString &text);
    void balloonRequested(const QString &title, const QString &text);
    void beepRequested(int hz, int ms);

private:
    const ProgramState *m_state;
};
