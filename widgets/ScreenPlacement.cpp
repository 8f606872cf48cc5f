#include "widgets/ScreenPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#ifdef VARROW_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

#ifdef VARROW_HAVE_XCB
struct FREE_REPLY
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FREE_REPLY>;
#endif

// The top-left corner of the window's client area on the screen, in the toolkit's (device independent)
// pixels, read from the window system; nothing where the platform keeps no other record than the toolkit's.
std::optional<QPoint> ClientOriginFromServer(QWidget* window)
{
#ifdef VARROW_HAVE_XCB
    QWindow* handle = window->windowHandle();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Only the X platform's own connection: another platform may answer for X (the headless one does) with
    // none.
    if (x11 == nullptr || handle == nullptr || !window->isVisible() ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    if (connection == nullptr || xcb_connection_has_error(connection) != 0)
        return std::nullopt;
    // The handle's id, not the widget's: the toolkit may replace a window's native window when it shows it.
    const auto id = xcb_window_t(handle->winId());
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    if (!geometry)
        return std::nullopt;
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr));
    if (!origin)
        return std::nullopt;
    const qreal ratio = handle->devicePixelRatio() > 0 ? handle->devicePixelRatio() : 1.0;
    return QPoint(qRound(origin->dst_x / ratio), qRound(origin->dst_y / ratio));
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

// The window manager's frame round the window. The toolkit can measure it while the manager is still building
// the frame (a 1 x 1 window at first) and keep what it measured: margins that make the frame smaller than the
// window itself mean nothing, and count as none.
QMargins FrameMargins(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    const QMargins margins = handle != nullptr ? handle->frameMargins() : QMargins();
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        return QMargins();
    return margins;
}

} // namespace

bool SyncWindowPlace(QWidget* window)
{
    if (window == nullptr || !window->isWindow())
        return false;
    const std::optional<QPoint> origin = ClientOriginFromServer(window);
    QWindow* handle = window->windowHandle();
    if (!origin || handle == nullptr)
        return false;
    // The toolkit keeps two records: the native window's (through which every widget position is mapped to
    // the screen) and the widget's. Either may be the stale one.
    const bool windowWrong = handle->position() != *origin;
    const bool widgetWrong = window->geometry().topLeft() != *origin;
    if (!windowWrong && !widgetWrong)
        return false;
    // Asking for the place the window already has moves nothing on the screen, but the records take it at
    // once.
    if (windowWrong)
        handle->setPosition(*origin);
    if (window->geometry().topLeft() != *origin) {
        // An explicit place stays a matter of the caller.
        const bool moved = window->testAttribute(Qt::WA_Moved);
        const QMargins margins = FrameMargins(window);
        window->move(*origin - QPoint(margins.left(), margins.top()));
        window->setAttribute(Qt::WA_Moved, moved);
    }
    return true;
}

QRect WindowFrameOnScreen(QWidget* window)
{
    if (window == nullptr)
        return QRect();
    window = window->window();
    SyncWindowPlace(window);
    return window->geometry().marginsAdded(FrameMargins(window));
}

QSize WindowFrameSize(const QWidget* window)
{
    if (window == nullptr)
        return QSize();
    const QMargins margins = FrameMargins(window);
    return window->size().grownBy(margins);
}

QPoint WidgetPosOnScreen(QWidget* widget, const QPoint& local)
{
    if (widget == nullptr)
        return local;
    QWidget* window = widget->window();
    SyncWindowPlace(window);
    return widget->mapToGlobal(local);
}

QPoint CentredFramePos(const QRect& over, const QSize& size, const QRect& available)
{
    QPoint pos(over.x() + (over.width() - size.width()) / 2, over.y() + (over.height() - size.height()) / 2);
    if (available.isValid()) {
        pos.setX(std::max(available.left(), std::min(pos.x(), available.right() + 1 - size.width())));
        pos.setY(std::max(available.top(), std::min(pos.y(), available.bottom() + 1 - size.height())));
    }
    return pos;
}

QPoint PlaceOverParent(QWidget* parentWindow, const QSize& size)
{
    QRect over;
    if (parentWindow != nullptr && parentWindow->isVisible())
        over = WindowFrameOnScreen(parentWindow);
    QScreen* screen = nullptr;
    if (over.isValid())
        screen = QGuiApplication::screenAt(over.center());
    if (screen == nullptr && parentWindow != nullptr)
        screen = parentWindow->screen();
    if (screen == nullptr)
        screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    if (!over.isValid())
        over = available;
    return CentredFramePos(over, size, available);
}
