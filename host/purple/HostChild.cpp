#include "HostChild.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace pictavo::purple {

namespace {

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// A write to a pipe whose reader is gone raises SIGPIPE, which would end the messenger: the
// signal is held back for the write and a pending one is taken away before it is let through.
bool writeWithoutSigpipe(int fd, const std::string& bytes) {
    sigset_t pipeOnly;
    sigset_t previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        done += size_t(n);
    }
    if (!ok && errno == EPIPE) {
        const timespec none{};
        while (sigtimedwait(&pipeOnly, nullptr, &none) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

guint watch(int fd, GIOFunc function, gpointer data) {
    GIOChannel* channel = g_io_channel_unix_new(fd);
    const guint id =
        g_io_add_watch(channel, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), function, data);
    g_io_channel_unref(channel);
    return id;
}

void removeSource(guint& id) {
    if (id != 0) {
        g_source_remove(id);
        id = 0;
    }
}

}  // namespace

HostChild::~HostChild() {
    stop();
}

bool HostChild::start(const std::vector<std::string>& argv, std::string& error) {
    std::vector<gchar*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<gchar*>(a.c_str()));
    }
    args.push_back(nullptr);
    GError* failure = nullptr;
    GPid pid = 0;
    int in = -1;
    int out = -1;
    int err = -1;
    if (!g_spawn_async_with_pipes(nullptr, args.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                  nullptr, &pid, &in, &out, &err, &failure)) {
        error = failure ? failure->message : "unknown error";
        g_clear_error(&failure);
        return false;
    }
    pid_ = pid;
    in_ = UniqueFd(in);
    out_ = UniqueFd(out);
    err_ = UniqueFd(err);
    for (int fd : {in, out, err}) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    setNonBlocking(out);
    setNonBlocking(err);
    outWatch_ = watch(out, &HostChild::onOutput, this);
    errWatch_ = watch(err, &HostChild::onError, this);
    exitWatch_ = g_child_watch_add(pid, &HostChild::onExit, this);
    return true;
}

bool HostChild::send(const std::string& line) {
    if (!running() || !in_.isOpen()) {
        return false;
    }
    return writeWithoutSigpipe(in_.get(), line + '\n');
}

bool HostChild::drain(int fd, std::string& buffer, const std::function<void(std::string)>& line) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            const size_t searchFrom = buffer.size();
            buffer.append(chunk, size_t(n));
            size_t start = 0;
            for (size_t end = buffer.find('\n', searchFrom); end != std::string::npos;
                 end = buffer.find('\n', start)) {
                line(buffer.substr(start, end - start));
                start = end + 1;
            }
            buffer.erase(0, start);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

gboolean HostChild::onOutput(GIOChannel*, GIOCondition, gpointer data) {
    return static_cast<HostChild*>(data)->readOutput();
}

bool HostChild::readOutput() {
    // Answers are collected first: a handler may stop this child.
    std::vector<std::string> lines;
    const bool open =
        drain(out_.get(), outBuffer_, [&lines](std::string l) { lines.push_back(std::move(l)); });
    if (!open) {
        removeSource(outWatch_);
    }
    for (const std::string& l : lines) {
        if (events_.answer) {
            events_.answer(l);
        }
    }
    if (!open) {
        markDead();
    }
    return open;
}

gboolean HostChild::onError(GIOChannel*, GIOCondition, gpointer data) {
    auto* self = static_cast<HostChild*>(data);
    const bool open = drain(self->err_.get(), self->errBuffer_, [self](const std::string& l) {
        if (self->events_.log) {
            self->events_.log(l);
        }
    });
    if (!open) {
        self->errWatch_ = 0;
    }
    return open;
}

void HostChild::onExit(GPid pid, gint, gpointer data) {
    auto* self = static_cast<HostChild*>(data);
    g_spawn_close_pid(pid);
    self->exitWatch_ = 0;
    self->reaped_ = true;
    // An answer written just before the end is still in the pipe: it counts.
    if (self->outWatch_ != 0 && !self->readOutput()) {
        return;
    }
    self->markDead();
}

void HostChild::markDead() {
    if (dead_) {
        return;
    }
    dead_ = true;
    if (events_.died) {
        events_.died();
    }
}

void HostChild::terminate() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGTERM);
    }
}

void HostChild::stop(int graceMs) {
    if (pid_ <= 0) {
        return;
    }
    removeSource(exitWatch_);
    in_.close();
    if (!reaped_) {
        kill(pid_, SIGTERM);
        bool ended = false;
        for (int waited = 0; waited <= graceMs && !ended; waited += 10) {
            const pid_t r = waitpid(pid_, nullptr, WNOHANG);
            ended = r == pid_ || (r < 0 && errno == ECHILD);
            if (!ended) {
                g_usleep(10000);
            }
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        reaped_ = true;
    }
    dead_ = true;
    closeAll();
    pid_ = -1;
}

void HostChild::closeAll() {
    removeSource(outWatch_);
    removeSource(errWatch_);
    in_.close();
    out_.close();
    err_.close();
}

}  // namespace pictavo::purple
