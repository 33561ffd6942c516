#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>

class ProgramState;
class QWidget;

// The crosshair overlay: a 4 x 4 square of pure red over the centre of the primary screen, above
// every window, shown while the crosshair option is on. It is a window of its own (frameless,
// always on top, a tool window without a taskbar entry that takes no input and never the focus), so
// the desktop keeps it drawn and removes it when it is hidden.
class Crosshair final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Crosshair)

public:
    static constexpr int kSize = 4;

    explicit Crosshair(ProgramState *state, QObject *parent = nullptr);
    ~Crosshair() override;

    bool isShown() const;
    QWidget *window() const { return m_window.get(); }
    // Hidden until the option is switched on again, whatever it is now.
    void hide();

    // The square's top-left corner for a screen: x = W / 2 - 2, y = H / 2 - 2, a half rounded to
    // the even neighbour.
    static QPoint topLeftOn(const QRect &screen);

private:
    void follow();
    void place();

    ProgramState *m_state;
    std::unique_ptr<QWidget> m_window; // a window of its own, never a child of the main window
};
