#include "DisplayCheck.h"

#include <unistd.h>

#include <QList>
#include <cstdio>

namespace pictavo::host {

namespace {

struct HeldMessage {
    QtMsgType type;
    QString text;
};
QList<HeldMessage>* held = nullptr;

void holdOrGiveUp(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(
            "pictavo-host: no display found; start it with scripts/run, or set DISPLAY to "
            "a running X server\n",
            stderr);
        std::fflush(stderr);
        _exit(1);
    }
    held->append({type, text});
}

}  // namespace

std::unique_ptr<QApplication> openApplication(int& argc, char** argv) {
    QList<HeldMessage> messages;
    held = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(holdOrGiveUp);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    held = nullptr;
    for (const HeldMessage& m : messages) {
        qt_message_output(m.type, QMessageLogContext(), m.text);
    }
    return app;
}

}  // namespace pictavo::host
