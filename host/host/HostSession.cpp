#include "HostSession.h"

#include <cstdio>
#include <exception>

#include <QGuiApplication>

#include "dialogs/MsgBoxEx.h"
#include "dialogs/QtDialogs.h"
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
    // Every line gets one answer line, so that a program reading them never waits forever. A
    // command that failed sends nothing: an empty line, after the user has been told why.
    QString answer;
    try {
        if (typed.command == QLatin1String("/configure")) {
            plugin_.Configure();
            answer = QStringLiteral("True");
        } else {
            // The conversation window is not modelled: the plug-in does not use it.
            answer = decodeAnswer(plugin_.ParseCommand(typed.command, typed.argument, nullptr));
        }
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    } catch (...) {
        fail(QStringLiteral("unknown failure"));
    }
    out_ << answer << '\n' << Qt::flush;
    prompt();
    input_.next();
}

void HostSession::fail(const QString& message) {
    err_ << "error: " << message << '\n' << Qt::flush;
    // A box on a platform without a screen would wait for a click that cannot come.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return;
    }
    try {
        QtDialogs dialogs;
        MsgBoxEx(dialogs, message, MsgBox::OkOnly, kMessageCaption);
    } catch (const std::exception& e) {
        err_ << "error: " << QString::fromUtf8(e.what()) << '\n' << Qt::flush;
    }
}

}  // namespace pictavo::host
