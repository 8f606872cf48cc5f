#pragma once

// A real X server with a window manager for the tests that only such a screen can show: where the window
// manager puts windows, and where a real pointer click lands. Start it before the application object exists;
// it picks a free display, runs Xvfb and openbox there, and ends both when it is destroyed (after the
// application object). When a program is missing, Running() is false and Reason() says what to install.

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

class CXSession
{
public:
    explicit CXSession(const QSize& screen = QSize(1280, 1024));
    ~CXSession();
    CXSession(const CXSession&) = delete;
    CXSession& operator=(const CXSession&) = delete;

    bool Running() const { return m_reason.isEmpty(); }
    QString Reason() const { return m_reason; }
    QString Display() const { return m_display; }
    // Points the application at the session (DISPLAY, the xcb platform); without a session, the headless one.
    void PrepareProcess() const;

    // A window's client rectangle on the screen as the X server has it: the truth to compare the toolkit
    // with.
    static QRect ServerGeometry(QWidget* window);
    // A real pointer click (press and release from the X server's own input) at a point of the screen, and
    // real key presses typing `text`, through xdotool; false when xdotool is missing or fails.
    bool Click(const QPoint& screenPos) const;
    bool Type(const QString& text) const;
    // One key by its X name ("BackSpace", "Delete"), pressed and released.
    bool Press(const QString& keysym) const;
    bool HasPointer() const { return !m_xdotool.isEmpty(); }

private:
    bool Start(const QSize& screen);
    bool WaitForWindowManager(int ms);
    bool RunXdotool(const QStringList& args) const;

    QProcess m_server;
    QProcess m_manager;
    QString m_display;
    QString m_xdotool;
    QString m_reason;
};
