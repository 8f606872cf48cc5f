#include "tests/support/gui/XSession.h"

#include "tests/support/TestSupport.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace {

struct FREE_REPLY
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FREE_REPLY>;

} // namespace

CXSession::CXSession(const QSize& screen)
{
    if (!Start(screen)) {
        m_server.kill();
        m_server.waitForFinished(2000);
        m_manager.kill();
        m_manager.waitForFinished(2000);
    }
}

CXSession::~CXSession()
{
    for (QProcess* process : {&m_manager, &m_server}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
}

bool CXSession::Start(const QSize& screen)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    QStringList missing;
    if (xvfb.isEmpty())
        missing << QStringLiteral("xvfb");
    if (openbox.isEmpty())
        missing << QStringLiteral("openbox");
    if (!missing.isEmpty()) {
        m_reason =
            QStringLiteral("no real X server with a window manager: install %1 (scripts/install-deps.sh)")
                .arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    // The server picks a free display itself and writes its number to standard output.
    m_server.setProgram(xvfb);
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                           QStringLiteral("0"),
                           QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start();
    const QDeadlineTimer deadline(TestSupport::Bound(15000));
    QByteArray number;
    while (!number.contains('\n') && !deadline.hasExpired() && m_server.state() != QProcess::NotRunning) {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        m_reason = QStringLiteral("Xvfb did not start: %1")
                       .arg(QString::fromLocal8Bit(m_server.readAllStandardError()));
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_manager.setProcessEnvironment(env);
    m_manager.setProgram(openbox);
    m_manager.setArguments({QStringLiteral("--sm-disable")});
    m_manager.setStandardOutputFile(QProcess::nullDevice());
    m_manager.setStandardErrorFile(QProcess::nullDevice());
    m_manager.start();
    if (!WaitForWindowManager(TestSupport::Bound(15000))) {
        m_reason = QStringLiteral("openbox did not take the display %1").arg(m_display);
        return false;
    }
    return true;
}

bool CXSession::WaitForWindowManager(int ms)
{
    // A window manager announces itself on the root window; until then windows are not framed or placed.
    const QByteArray display = m_display.toLatin1();
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> guard(connection, xcb_disconnect);
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    static const char name[] = "_NET_SUPPORTING_WM_CHECK";
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr));
    if (!atom)
        return false;
    const QDeadlineTimer deadline(ms);
    bool announced = false;
    while (!announced && !deadline.hasExpired() && m_manager.state() != QProcess::NotRunning) {
        const Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
        announced = property && xcb_get_property_value_length(property.get()) > 0;
        if (!announced)
            QThread::msleep(20);
    }
    if (!announced)
        return false;
    // It announces itself before it has finished starting, and a window mapped meanwhile may be left unframed
    // (and unshown) for good: it is ready once it frames a probe window, mapped again until it does.
    const xcb_window_t probe = xcb_generate_id(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(connection, probe);
    xcb_flush(connection);
    bool framed = false;
    for (int tries = 1; !framed && !deadline.hasExpired() && m_manager.state() != QProcess::NotRunning;
         ++tries) {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, probe), nullptr));
        framed = tree && tree->parent != root;
        if (framed)
            break;
        QThread::msleep(20);
        if (tries % 10 == 0) {
            xcb_unmap_window(connection, probe);
            xcb_map_window(connection, probe);
            xcb_flush(connection);
        }
    }
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return framed;
}

void CXSession::PrepareProcess() const
{
    if (Running()) {
        ::setenv("DISPLAY", m_display.toLatin1().constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // The session has no message bus of its own, and the test must not talk to the desktop's; the
        // toolkit's attempt at one under X also left an allocation that the leak check reports.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    } else {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
}

QRect CXSession::ServerGeometry(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QWindow* handle = window != nullptr ? window->windowHandle() : nullptr;
    if (x11 == nullptr || handle == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return QRect();
    xcb_connection_t* connection = x11->connection();
    if (connection == nullptr)
        return QRect();
    const auto id = xcb_window_t(handle->winId());
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    if (!geometry)
        return QRect();
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr));
    if (!origin)
        return QRect();
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

bool CXSession::RunXdotool(const QStringList& args) const
{
    if (m_xdotool.isEmpty() || !Running())
        return false;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(env);
    tool.start(m_xdotool, args);
    // The tool's input reaches the program through its event loop, which a blocking wait would stall only for
    // the tool's own few milliseconds: the events queue at the server until the loop runs again.
    return tool.waitForFinished(TestSupport::Bound(10000)) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

bool CXSession::Click(const QPoint& screenPos) const
{
    return RunXdotool({QStringLiteral("mousemove"), QString::number(screenPos.x()),
                       QString::number(screenPos.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool CXSession::Type(const QString& text) const
{
    return RunXdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

bool CXSession::Press(const QString& keysym) const
{
    return RunXdotool({QStringLiteral("key"), keysym});
}
