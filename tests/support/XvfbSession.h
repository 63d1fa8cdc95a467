#pragma once

#include <QByteArray>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

namespace pictavo::test {

// A private X server (Xvfb) and, when asked, the openbox window manager on it, for the life of
// the object. The server picks a free display number itself (-displayfd: it skips every number
// whose lock file or socket is taken) and reports it once it accepts connections, so sessions
// started side by side never collide. Both children are told to die with the process that
// started them, so a crashed or killed test leaves no server behind.
class XvfbSession {
public:
    struct Options {
        QSize size{1280, 800};
        int depth = 24;
        bool windowManager = true;
        // For the server to come up and the window manager to announce itself.
        int startTimeoutMs = 20000;
        // Listen on TCP too, as a display on another machine is reached.
        bool tcp = false;
        // More server options, such as "-wr" for a white root window.
        QStringList serverArguments = {};
    };

    explicit XvfbSession(const Options& options);
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    // False when the server or the window manager did not start; error() says why.
    bool isRunning() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    // ":N", for DISPLAY and xcb_connect.
    QByteArray displayName() const { return ":" + QByteArray::number(display_); }
    // "127.0.0.1:N": the server through TCP (Options::tcp).
    QByteArray tcpDisplayName() const { return "127.0.0.1" + displayName(); }
    // Points DISPLAY of this process (and of the programs it starts) at the server.
    void exportDisplay() const { qputenv("DISPLAY", displayName()); }

private:
    QProcess xvfb_;
    QProcess openbox_;
    int display_ = -1;
    QString error_;
};

}  // namespace pictavo::test
