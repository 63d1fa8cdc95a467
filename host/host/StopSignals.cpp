#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace pictavo::host {

namespace {

// The one thing a signal handler can reach is static: the write end of the pipe.
std::atomic<int> gWriteEnd{-1};

void onSignal(int signalNumber) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: when the pipe is full, a stop is already on its way.
    [[maybe_unused]] const ssize_t written = ::write(gWriteEnd.load(), &byte, 1);
    errno = saved;
}

constexpr int kSignals[] = {SIGINT, SIGTERM};

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    gWriteEnd.store(pipe_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; the event loop learns of the signal through the pipe.
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        sigaction(s, &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    for (const int s : kSignals) {
        std::signal(s, SIG_DFL);
    }
    gWriteEnd.store(-1);
    delete notifier_;
    for (const int fd : pipe_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void StopSignals::readPipe() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        if (received_ == 0) {
            received_ = byte;
        }
    }
    if (received_ != 0) {
        emit stopRequested(received_);
        QCoreApplication::exit(0);
    }
}

}  // namespace pictavo::host
