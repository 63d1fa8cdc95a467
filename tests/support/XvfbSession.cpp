#include "support/XvfbSession.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QDeadlineTimer>
#include <QTemporaryFile>
#include <QThread>

#include "support/RawDisplay.h"

namespace pictavo::test {

namespace {

// Starts `process` so that it dies with this process, whatever way this one ends, its standard
// error going to `errorFile`.
void start(QProcess& process, const QString& program, const QStringList& arguments,
           const QString& errorFile) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(errorFile);
    process.start(program, arguments);
}

void stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
}

}  // namespace

XvfbSession::XvfbSession(const Options& options) {
    if (startServer(options) && options.windowManager) {
        startWindowManager(options.startTimeoutMs);
    }
}

XvfbSession::~XvfbSession() {
    stop(openbox_);
    stop(xvfb_);
}

bool XvfbSession::startServer(const Options& options) {
    const QString screen = QStringLiteral("%1x%2x%3")
                               .arg(options.size.width())
                               .arg(options.size.height())
                               .arg(options.depth);
    // The server's complaints go to a file, to be quoted when it does not come up; the display
    // number comes on standard output once the server accepts connections.
    QTemporaryFile log;
    log.open();
    start(xvfb_, QStringLiteral("Xvfb"),
          QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                      QStringLiteral("0"), screen,
                      options.tcp ? QStringLiteral("-listen") : QStringLiteral("-nolisten"),
                      QStringLiteral("tcp"), QStringLiteral("-noreset")} +
              options.serverArguments,
          log.fileName());
    const QDeadlineTimer deadline(options.startTimeoutMs);
    while (!xvfb_.canReadLine() && xvfb_.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        xvfb_.waitForReadyRead(int(deadline.remainingTime()));
    }
    bool ok = false;
    const int number = xvfb_.canReadLine() ? xvfb_.readLine().trimmed().toInt(&ok) : -1;
    if (!ok) {
        error_ = QStringLiteral("Xvfb %1 did not come up: %2")
                     .arg(screen, QString::fromLocal8Bit(log.readAll()).trimmed());
        return false;
    }
    display_ = number;
    return true;
}

bool XvfbSession::startWindowManager(int timeoutMs) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(displayName()));
    openbox_.setProcessEnvironment(environment);
    openbox_.setStandardOutputFile(QProcess::nullDevice());
    start(openbox_, QStringLiteral("openbox"), {QStringLiteral("--sm-disable")},
          QProcess::nullDevice());

    // Ready when the window manager frames a new window: a window manager that has announced
    // itself may still be starting up, and windows mapped meanwhile are neither framed at once
    // nor activated.
    RawDisplay raw(displayName());
    bool ready = false;
    if (raw.isOpen()) {
        const xcb_window_t probe = raw.createWindow(raw.root(), QRect(0, 0, 16, 16), 0, 0);
        const QDeadlineTimer deadline(timeoutMs);
        while (!ready && !deadline.hasExpired() && openbox_.state() != QProcess::NotRunning) {
            ready = raw.parentOf(probe) != raw.root();
            if (!ready) {
                QThread::msleep(20);
            }
        }
        raw.destroy(probe);
    }
    if (!ready) {
        error_ = QStringLiteral("openbox did not start on %1").arg(QString(displayName()));
    }
    return ready;
}

}  // namespace pictavo::test
