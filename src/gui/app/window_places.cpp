#include "app/window_places.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <optional>

namespace zel {

namespace {

TWindowGeometry GeometryOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// Runs `action` once, when the window first shows: the show event comes before the window is
// mapped, so what it does is in place when the window appears.
class TOnFirstShow : public QObject {
public:
    TOnFirstShow(QWidget& window, std::function<void(QWidget&)> action)
        : QObject(&window), m_action(std::move(action)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            m_action(*static_cast<QWidget*>(watched));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(QWidget&)> m_action;
};

// Beside the owner, level with it. The window's own frame is not known before it is mapped; the
// owner's is a fair guess, so the inside is placed where that frame would put it.
void PlaceBesideOwner(QWidget& window, const QWidget& owner) {
    QRect ownerFrame = owner.frameGeometry();
    QRect ownerInside = owner.geometry();
    QSize frame = ownerFrame.size() - ownerInside.size();
    TWindowGeometry outer{0, 0, window.width() + frame.width(), window.height() + frame.height()};
    TWindowGeometry placed =
        PlaceBeside(GeometryOf(ownerFrame), outer, GeometryOf(VirtualScreen()));
    QPoint inside =
        QPoint(placed.Left, placed.Top) + (ownerInside.topLeft() - ownerFrame.topLeft());
    window.setGeometry(QRect(inside, window.size()));
}

bool InNormalState(const QWidget& window) {
    return !(window.windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// The last place a window had while it showed in its normal state, kept for when the window
// has been closed.
class TPlaceKeeper : public QObject {
public:
    explicit TPlaceKeeper(QWidget& window) : QObject(&window) {
        setObjectName(Name);
        window.installEventFilter(this);
    }
    // The window's keeper, if it has one (the class has no meta-object of its own to find it by).
    static TPlaceKeeper* Of(const QWidget& window) {
        return static_cast<TPlaceKeeper*>(
            window.findChild<QObject*>(Name, Qt::FindDirectChildrenOnly));
    }
    const std::optional<TWindowGeometry>& Place() const { return m_place; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
            window->isVisible() && InNormalState(*window))
            m_place = TWindowGeometry{window->x(), window->y(), window->width(), window->height()};
        return false;
    }

private:
    static constexpr QLatin1String Name{"zelvanePlaceKeeper"};
    std::optional<TWindowGeometry> m_place;
};

} // namespace

QRect VirtualScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1920, 1080);
}

void RestoreWindowPlace(TSettingsStore& store, QWidget& window, std::string_view name,
                        bool sizeable, QWidget* owner) {
    if (!TPlaceKeeper::Of(window))
        new TPlaceKeeper(window);
    if (!INIWinSaved(store, name)) {
        if (owner) {
            QPointer<QWidget> guard(owner);
            new TOnFirstShow(window, [guard](QWidget& shown) {
                if (guard)
                    PlaceBesideOwner(shown, *guard);
            });
        }
        return;
    }
    TWindowGeometry current{window.x(), window.y(), window.width(), window.height()};
    TWindowGeometry placed =
        INIWinLoad(store, name, current, GeometryOf(VirtualScreen()), sizeable);
    // The window gets its final size now, its least size included: a window resized between
    // being made and appearing is placed by its inside after all.
    if (sizeable)
        window.resize(placed.Width, placed.Height);
    else if (!window.testAttribute(Qt::WA_Resized))
        window.adjustSize();
    if (QLayout* layout = window.layout())
        layout->activate();
    window.move(placed.Left, placed.Top); // the frame's corner, before there is a frame
}

void SaveWindowPlace(TSettingsStore& store, const QWidget& window, std::string_view name) {
    // A window closed before the program ends has lost its native window (and the place it
    // reports); the place it last showed at is saved.
    TPlaceKeeper* keeper = TPlaceKeeper::Of(window);
    if (!window.isVisible() && keeper && keeper->Place()) {
        INIWinSave(store, name, *keeper->Place(), true);
        return;
    }
    if (!window.testAttribute(Qt::WA_WState_Created))
        return;
    INIWinSave(store, name, {window.x(), window.y(), window.width(), window.height()},
               InNormalState(window));
}

} // namespace zel
