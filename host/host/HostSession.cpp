#include "HostSession.h"

#include <cstdio>
#include <exception>

#include "plugin/PluginInterface.h"

namespace pictavo::host {

HostSession::HostSession(PluginInterface& plugin, int inputFd, bool interactive, QObject* parent)
    : QObject(parent),
      plugin_(plugin),
      input_(inputFd),
      interactive_(interactive),
      out_(stdout),
      err_(stderr) {
    connect(&input_, &ConversationInput::lineReady, this, &HostSession::handle);
    connect(&input_, &ConversationInput::finished, this, &HostSession::ended);
    connect(&input_, &ConversationInput::lineRefused, this, &HostSession::refuse);
}

void HostSession::refuse() {
    if (stopped_) {
        return;
    }
    err_ << "error: a line longer than " << ConversationInput::kLongestLine
         << " bytes is not read\n"
         << Qt::flush;
    out_ << '\n' << Qt::flush;
    prompt();
    input_.next();
}

void HostSession::start() {
    prompt();
    input_.next();
}

void HostSession::prompt() {
    if (interactive_) {
        out_ << "> " << Qt::flush;
    }
}

void HostSession::handle(const QString& line) {
    if (stopped_) {
        return;
    }
    const TypedLine typed = splitTypedLine(line);
    if (typed.command == QLatin1String("/quit")) {
        emit ended();
        return;
    }
    try {
        if (typed.command == QLatin1String("/configure")) {
            plugin_.Configure();
        } else {
            // The conversation window is not modelled: the plug-in does not use it.
            const QString answer = plugin_.ParseCommand(typed.command, typed.argument, nullptr);
            out_ << decodeAnswer(answer) << '\n' << Qt::flush;
        }
    } catch (const std::exception& e) {
        err_ << "error: " << QString::fromUtf8(e.what()) << '\n' << Qt::flush;
    } catch (...) {
        err_ << "error: unknown failure\n" << Qt::flush;
    }
    prompt();
    input_.next();
}

}  // namespace pictavo::host
