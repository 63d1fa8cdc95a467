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
        if (const std::optional<QString> line = lines_.takeFirst()) {
            emit lineReady(*line);
        } else {
            emit lineRefused();
        }
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
        if (!buffer_.isEmpty() && !dropping_) {
            lines_ << typedLine(buffer_);
        }
        buffer_.clear();
    } else {
        const qsizetype from = buffer_.size();
        buffer_.append(chunk, n);
        splitLines(from);
    }
    deliver();
}

void ConversationInput::splitLines(qsizetype from) {
    qsizetype start = 0;
    for (qsizetype nl; (nl = buffer_.indexOf('\n', from)) >= 0; from = start = nl + 1) {
        if (dropping_) {
            dropping_ = false;
        } else if (nl - start > kLongestLine) {
            lines_ << std::nullopt;
        } else {
            lines_ << typedLine(buffer_.mid(start, nl - start));
        }
    }
    buffer_.remove(0, start);
    // The line is too long before it ends: refused now, and nothing more of it is kept.
    if (buffer_.size() > kLongestLine) {
        if (!dropping_) {
            lines_ << std::nullopt;
            dropping_ = true;
        }
        buffer_.clear();
    }
}

}  // namespace pictavo::host
