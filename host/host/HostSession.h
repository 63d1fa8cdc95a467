#pragma once

#include <QObject>
#include <QTextStream>

#include "CommandLine.h"
#include "ConversationInput.h"

namespace pictavo {
class PluginInterface;
}

namespace pictavo::host {

// Plays the conversation window: each typed line goes to the plug-in, one at a time, and its
// answer is printed alone on one line of standard output.
class HostSession : public QObject {
    Q_OBJECT
public:
    HostSession(PluginInterface& plugin, int inputFd, bool interactive, QObject* parent = nullptr);

    void start();
    // No further line is handed to the plug-in.
    void stop() { stopped_ = true; }

signals:
    // Input has ended (or "/quit" was typed).
    void ended();

private:
    void handle(const QString& line);
    // A line too long to read: an error, and an empty answer in its place.
    void refuse();
    void prompt();
    // A command failed: the reason goes to standard error and, on a screen, into a message box.
    void fail(const QString& message);

    PluginInterface& plugin_;
    ConversationInput input_;
    bool interactive_;
    bool stopped_ = false;
    QTextStream out_;
    QTextStream err_;
};

}  // namespace pictavo::host
