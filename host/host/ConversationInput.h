#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <optional>

namespace pictavo::host {

// Standard input read through Qt's event loop, so the loop keeps running (and the clipboard
// keeps being served) while the user types. Lines are handed on one at a time: the next line
// is not delivered until the previous one has been dealt with (next()). A line longer than
// kLongestLine bytes is not kept: it is refused in its place (lineRefused), and its bytes are
// dropped as they arrive.
class ConversationInput : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kLongestLine = qsizetype{1024} * 1024;

    explicit ConversationInput(int fd, QObject* parent = nullptr);

    // Asks for the next line: delivers a buffered one soon, or waits for more input.
    void next();

signals:
    void lineReady(const QString& line);
    void lineRefused();
    void finished();

private:
    void readAvailable();
    void deliver();
    // Takes the complete lines out of the buffer, searching for line ends from `from` on:
    // what came before was searched already.
    void splitLines(qsizetype from);

    int fd_;
    QSocketNotifier notifier_;
    QByteArray buffer_;
    // In order; nullopt for a refused line.
    QList<std::optional<QString>> lines_;
    bool dropping_ = false;  // the rest of a refused line is still coming
    bool atEnd_ = false;
    bool waiting_ = false;  // a line has been asked for and not yet delivered
};

}  // namespace pictavo::host
