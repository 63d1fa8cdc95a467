#include "support/XvfbSession.h"

#include <signal.h>
#include <sys/prctl.h>
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QTemporaryFile>
#include <QThread>
#include <cstdlib>

namespace pictavo::test {

namespace {

// Starts `program` so that it dies with this process, whatever way this one ends. Its standard
// error goes to `errorFile`, its standard output to the pipe or, when `quiet`, nowhere.
std::unique_ptr<QProcess> spawn(const QString& program, const QStringList& arguments,
                                const QString& errorFile, const QProcessEnvironment& environment,
                                bool quiet) {
    auto process = std::make_unique<QProcess>();
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process->setProcessEnvironment(environment);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(errorFile);
    if (quiet) {
        process->setStandardOutputFile(QProcess::nullDevice());
    }
    process->start(program, arguments);
    return process;
}

void stop(std::unique_ptr<QProcess>& process) {
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished();
        }
    }
    process.reset();
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
    xvfb_ = spawn(QStringLiteral("Xvfb"),
                  QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"), screen,
                              options.tcp ? QStringLiteral("-listen") : QStringLiteral("-nolisten"),
                              QStringLiteral("tcp"), QStringLiteral("-noreset")} +
                      options.serverArguments,
                  log.fileName(), QProcessEnvironment::systemEnvironment(), false);
    const QDeadlineTimer deadline(options.startTimeoutMs);
    while (!xvfb_->canReadLine() && xvfb_->state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        xvfb_->waitForReadyRead(int(deadline.remainingTime()));
    }
    bool ok = false;
    const int number = xvfb_->canReadLine() ? xvfb_->readLine().trimmed().toInt(&ok) : -1;
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
    openbox_ = spawn(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")},
                     QProcess::nullDevice(), environment, true);

    // Ready when the window manager frames a new window: a window manager that has announced
    // itself may still be starting up, and windows mapped meanwhile are neither framed at once
    // nor activated.
    xcb_connection_t* c = xcb_connect(displayName().constData(), nullptr);
    bool ready = false;
    if (!xcb_connection_has_error(c)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 16, 16, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, probe);
        const QDeadlineTimer deadline(timeoutMs);
        while (!ready && !deadline.hasExpired() && openbox_->state() != QProcess::NotRunning) {
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr), &std::free);
            ready = tree && tree->parent != root;
            if (!ready) {
                QThread::msleep(20);
            }
        }
        xcb_destroy_window(c, probe);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    xcb_disconnect(c);
    if (!ready) {
        error_ = QStringLiteral("openbox did not start on %1").arg(QString(displayName()));
    }
    return ready;
}

}  // namespace pictavo::test
