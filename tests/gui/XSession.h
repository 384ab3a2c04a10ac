#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A private X display with a window manager, driven the way a person would: through
// xdotool key presses and window activation. Tests skip when the tools are not installed.
class XSession {
public:
    XSession() = default;
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession();

    // Empty when every tool is there; otherwise the name of a missing one.
    static QString MissingTool();
    bool Start();
    // Why Start failed.
    QString Error() const { return m_error; }
    // The display's name, ":N".
    QString Display() const { return m_display; }

    // `base` with this display and the xcb platform.
    QProcessEnvironment Environment(QProcessEnvironment base) const;

    // Runs xdotool; its trimmed output, or a null string when it failed.
    QString Xdotool(const QStringList& arguments) const;
    // The id of a mapped window whose title matches the regular expression; empty when none
    // shows up within the time.
    QString WaitForWindow(const QString& titleRegex, int timeoutMs = 10000) const;
    bool WaitForNoWindow(const QString& titleRegex, int timeoutMs = 10000) const;
    QString ActiveWindowTitle() const;
    // Activates the window and types the keys (xdotool names, e.g. "alt+f", "Return").
    bool SendKeys(const QString& windowId, const QStringList& keys) const;

private:
    bool StartServer();
    // The window manager's mark on the root window; null when the display took no connection.
    QString Probe() const;
    bool HoldsLock(int number) const;

    QString m_display;
    QString m_error;
    QProcess m_server;
    QProcess m_windowManager;
};
