#include "support/XvfbSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace pictavo::test {

namespace {

using Clock = std::chrono::steady_clock;

// Everything the child needs is built before fork(): between fork and exec only
// async-signal-safe calls are allowed.
class Command {
public:
    Command(std::vector<std::string> args, const std::vector<std::string>& extraEnvironment)
        : args_(std::move(args)) {
        for (char** e = environ; *e != nullptr; ++e) {
            env_.emplace_back(*e);
        }
        env_.insert(env_.end(), extraEnvironment.begin(), extraEnvironment.end());
        for (auto& a : args_) {
            argv_.push_back(a.data());
        }
        argv_.push_back(nullptr);
        for (auto& e : env_) {
            envp_.push_back(e.data());
        }
        envp_.push_back(nullptr);
    }

    // Starts the program with standard input and output on /dev/null, standard error on
    // `errorFd` (or /dev/null), and `inheritFd` left open across exec.
    pid_t spawn(int inheritFd, int errorFd) {
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid != 0) {
            return pid;
        }
        // The child dies with the process that started it, whatever way that one ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(errorFd >= 0 ? errorFd : null, STDERR_FILENO);
        if (inheritFd >= 0) {
            fcntl(inheritFd, F_SETFD, 0);
        }
        execvpe(argv_[0], argv_.data(), envp_.data());
        _exit(127);
    }

private:
    std::vector<std::string> args_;
    std::vector<std::string> env_;
    std::vector<char*> argv_;
    std::vector<char*> envp_;
};

bool hasExited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

void terminate(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (hasExited(pid)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

XvfbSession::XvfbSession(const Options& options) {
    if (startServer(options) && options.windowManager) {
        startWindowManager(options.startTimeoutMs);
    }
}

XvfbSession::~XvfbSession() {
    stop();
}

void XvfbSession::exportDisplay() const {
    qputenv("DISPLAY", displayName());
}

bool XvfbSession::startServer(const Options& options) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // The server's complaints go to a file, to be quoted when it does not come up.
    QString logPath = QDir::tempPath() + QStringLiteral("/xvfb-XXXXXX");
    QByteArray logTemplate = logPath.toLocal8Bit();
    const int logFd = mkstemp(logTemplate.data());
    if (logFd >= 0) {
        fcntl(logFd, F_SETFD, FD_CLOEXEC);
    }
    const std::string screen = std::to_string(options.size.width()) + "x" +
                               std::to_string(options.size.height()) + "x" +
                               std::to_string(options.depth);
    Command command({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                     "-nolisten", "tcp", "-noreset"},
                    {});
    xvfb_ = command.spawn(fds[1], logFd);
    close(fds[1]);
    if (logFd >= 0) {
        close(logFd);
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(options.startTimeoutMs);
    std::string number;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, remainingMs(deadline));
        char c = 0;
        if (ready <= 0 || read(fds[0], &c, 1) != 1) {
            break;
        }
        if (c == '\n') {
            display_ = std::atoi(number.c_str());
            break;
        }
        number.push_back(c);
    }
    close(fds[0]);
    if (display_ < 0) {
        QFile log(QString::fromLocal8Bit(logTemplate));
        const QString detail =
            log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()).trimmed() : "";
        error_ = QStringLiteral("Xvfb %1 did not come up: %2")
                     .arg(QString::fromStdString(screen), detail);
    }
    QFile::remove(QString::fromLocal8Bit(logTemplate));
    return display_ >= 0;
}

bool XvfbSession::startWindowManager(int timeoutMs) {
    Command command({"openbox", "--sm-disable"}, {"DISPLAY=" + displayName().toStdString()});
    openbox_ = command.spawn(-1, -1);

    // Ready when the window manager frames a new window: a window manager that has announced
    // itself may still be starting up, and windows mapped meanwhile are neither framed at once
    // nor activated.
    xcb_connection_t* c = xcb_connect(displayName().constData(), nullptr);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool ready = false;
    if (!xcb_connection_has_error(c)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 16, 16, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, probe);
        while (!ready && remainingMs(deadline) > 0) {
            if (hasExited(openbox_)) {
                openbox_ = -1;
                break;
            }
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr), &std::free);
            ready = tree && tree->parent != root;
            if (!ready) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

void XvfbSession::stop() {
    terminate(openbox_);
    openbox_ = -1;
    terminate(xvfb_);
    xvfb_ = -1;
}

}  // namespace pictavo::test
