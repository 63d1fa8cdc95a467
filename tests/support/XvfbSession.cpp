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

// Asks `process` to end; QProcess's destructor kills it if it does not.
void stop(QProcess& process) {
    process.terminate();
    process.waitForFinished(5000);
}

}  // namespace

XvfbSession::XvfbSession(const Options& options) {
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
    while (!xvfb_.canReadLine() && xvfb_.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    bool ok = false;
    display_ = xvfb_.readLine().trimmed().toInt(&ok);
    if (!ok) {
        error_ = QStringLiteral("Xvfb %1 did not come up: %2")
                     .arg(screen, QString::fromLocal8Bit(log.readAll()).trimmed());
        return;
    }
    if (!options.windowManager) {
        return;
    }

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
    const xcb_window_t probe =
        raw.isOpen() ? raw.createWindow(raw.root(), QRect(0, 0, 16, 16), 0, 0) : 0;
    while (probe && raw.parentOf(probe) == raw.root() && !deadline.hasExpired() &&
           openbox_.state() != QProcess::NotRunning) {
        QThread::msleep(20);
    }
    const bool ready = probe && raw.parentOf(probe) != raw.root();
    raw.destroy(probe);  // without a probe, a request that fails and that nothing reads
    if (!ready) {
        error_ = QStringLiteral("openbox did not start on %1").arg(QString(displayName()));
    }
}

XvfbSession::~XvfbSession() {
    stop(openbox_);
    stop(xvfb_);
}

}  // namespace pictavo::test
