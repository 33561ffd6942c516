#include "ui/Crosshair.h"

#include "base/ProgramState.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {
class RedSquare final : public QWidget {
public:
    RedSquare()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                               Qt::NoDropShadowWindowHint) {
        setObjectName(QStringLiteral("crosshair"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(Crosshair::kSize, Crosshair::kSize);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(255, 0, 0));
    }
};
} // namespace

Crosshair::Crosshair(ProgramState *state, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_window(std::make_unique<RedSquare>()) {
    connect(state, &ProgramState::optionsChanged, this, &Crosshair::follow);
    // A new primary screen, or a new resolution, moves the centre.
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen *screen) {
        if (screen)
            connect(screen, &QScreen::geometryChanged, this, &Crosshair::place,
                    Qt::UniqueConnection);
        place();
    });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::geometryChanged, this, &Crosshair::place);
    follow();
}

Crosshair::~Crosshair() = default;

bool Crosshair::isShown() const {
    return m_window->isVisible();
}

void Crosshair::hide() {
    m_window->hide();
}

QPoint Crosshair::topLeftOn(const QRect &screen) {
    const auto centred = [](int length) {
        return int(std::nearbyint(length / 2.0 - kSize / 2)); // a half goes to the even neighbour
    };
    return screen.topLeft() + QPoint(centred(screen.width()), centred(screen.height()));
}

void Crosshair::follow() {
    if (!m_state->options().crosshair) {
        m_window->hide();
        return;
    }
    place();
    if (!m_window->isVisible()) {
        m_window->show();
        m_window->raise();
    }
}

void Crosshair::place() {
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        m_window->move(topLeftOn(screen->geometry()));
}
