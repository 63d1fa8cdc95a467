#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <vector>

#include "platform/Shell.h"
#include "platform/UniqueFd.h"

namespace pictavo {

namespace {

pid_t waitFor(pid_t pid, int* status) {
    pid_t r = -1;
    do {
        r = waitpid(pid, status, 0);
    } while (r < 0 && errno == EINTR);
    return r;
}

// Starts `program` detached (a child of init, so it lives on after us) and returns false when it
// cannot be started or exits with a failure within `verdictMs` (0: no wait).
bool startWatched(const QString& program, const QStringList& arguments, int verdictMs) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return false;
    }
    // Everything the children need is made before fork: they only make async-signal-safe calls.
    std::vector<QByteArray> bytes{QFile::encodeName(path)};
    for (const QString& a : arguments) {
        bytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    argv.reserve(bytes.size() + 1);
    for (QByteArray& b : bytes) {
        argv.push_back(b.data());
    }
    argv.push_back(nullptr);
    // The desktop's programs get nothing of ours: standard input and output are /dev/null (the
    // host's standard output carries its answers), and no other descriptor is left open, for a
    // file manager would hold it long after the host has gone.
    const UniqueFd nowhere(open("/dev/null", O_RDWR | O_CLOEXEC));
    int ends[2];
    if (!nowhere.isOpen() || pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    UniqueFd verdict(ends[0]);
    UniqueFd watcher(ends[1]);
    const pid_t child = fork();
    if (child == 0) {
        // The child leaves at once; its child, the watcher, runs the program and writes one
        // byte to descriptor 3 when it ends: 0 for success.
        setsid();
        if (fork() != 0) {
            _exit(0);
        }
        const int verdictOut = fcntl(watcher.get(), F_DUPFD, 3);
        for (int standard = 0; standard < 3; ++standard) {
            dup2(nowhere.get(), standard);
        }
        dup2(verdictOut, 3);
        close_range(4, ~0U, 0);
        const pid_t run = fork();
        if (run == 0) {
            close_range(3, ~0U, 0);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        const char ok =
            run > 0 && waitFor(run, &status) == run && WIFEXITED(status) && WEXITSTATUS(status) == 0
                ? 0
                : 1;
        [[maybe_unused]] const ssize_t written = write(3, &ok, 1);
        _exit(0);
    }
    watcher.close();
    if (child < 0) {
        return false;
    }
    waitFor(child, nullptr);

    QEventLoop loop;
    QSocketNotifier ended(verdict.get(), QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer::singleShot(verdictMs, &loop, &QEventLoop::quit);
    pollfd ready{verdict.get(), POLLIN, 0};
    if (verdictMs > 0 && poll(&ready, 1, 0) == 0) {
        loop.exec();
    }
    char ok = 0;
    const bool failed = poll(&ready, 1, 0) == 1 && read(verdict.get(), &ok, 1) == 1 && ok != 0;
    return !failed;
}

}  // namespace

bool DesktopShell::openUrl(const QString& url) {
    return startWatched(QStringLiteral("xdg-open"), {url}, 0);
}

bool DesktopShell::openFolder(const QString& folder) {
    return startWatched(QStringLiteral("xdg-open"), {QUrl::fromLocalFile(folder).toString()},
                        verdictMs_);
}

}  // namespace pictavo
