#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>

namespace pictavo::host {

// Standard input read through Qt's event loop, so the loop keeps running (and the clipboard
// keeps being served) while the user types. Lines are handed on one at a time: the next line
// is not delivered until the previous one has been dealt with (next()).
class ConversationInput : public QObject {
    Q_OBJECT
public:
    explicit ConversationInput(int fd, QObject* parent = nullptr);

    // Asks for the next line: delivers a buffered one soon, or waits for more input.
    void next();

signals:
    void lineReady(const QString& line);
    void finished();

private:
    void readAvailable();
    void deliver();

    int fd_;
    QSocketNotifier notifier_;
    QByteArray buffer_;
    QStringList lines_;
    bool atEnd_ = false;
    bool waiting_ = false;  // a line has been asked for and not yet delivered
};

}  // namespace pictavo::host
