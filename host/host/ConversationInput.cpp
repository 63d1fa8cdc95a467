#include "ConversationInput.h"

#include <unistd.h>

#include <QTimer>
#include <cerrno>

namespace pictavo::host {

namespace {

// A line as typed: its "\r\n" ending (or the "\r" of a last line without "\n") dropped.
QString typedLine(QByteArray line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return QString::fromUtf8(line);
}

}  // namespace

ConversationInput::ConversationInput(int fd, QObject* parent)
    : QObject(parent), fd_(fd), notifier_(fd, QSocketNotifier::Read) {
    notifier_.setEnabled(false);
    connect(&notifier_, &QSocketNotifier::activated, this, &ConversationInput::readAvailable);
}

void ConversationInput::next() {
    waiting_ = true;
    // Delivered from the event loop, never from inside the caller's own handler.
    QTimer::singleShot(0, this, &ConversationInput::deliver);
}

void ConversationInput::deliver() {
    if (!waiting_) {
        return;
    }
    if (!lines_.isEmpty()) {
        waiting_ = false;
        notifier_.setEnabled(false);
        emit lineReady(lines_.takeFirst());
        return;
    }
    if (atEnd_) {
        waiting_ = false;
        notifier_.setEnabled(false);
        emit finished();
        return;
    }
    notifier_.setEnabled(true);
}

void ConversationInput::readAvailable() {
    char chunk[4096];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        atEnd_ = true;
        if (!buffer_.isEmpty()) {
            lines_ << typedLine(buffer_);
            buffer_.clear();
        }
    } else {
        buffer_.append(chunk, n);
        qsizetype nl;
        while ((nl = buffer_.indexOf('\n')) >= 0) {
            lines_ << typedLine(buffer_.left(nl));
            buffer_.remove(0, nl + 1);
        }
    }
    deliver();
}

}  // namespace pictavo::host
