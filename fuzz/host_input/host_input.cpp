// The bytes a user types into the host, read through a pipe as the host reads its standard
// input: the lines handed on are the input split at "\n" (a "\r" before it dropped, a last line
// without "\n" kept), one at a time, and each splits into a command and its argument.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "host/CommandLine.h"
#include "host/ConversationInput.h"

using namespace pictavo::host;

namespace {

QStringList expectedLines(const QByteArray& input) {
    QList<QByteArray> parts = input.split('\n');
    if (parts.last().isEmpty()) {
        parts.removeLast();
    }
    QStringList lines;
    for (QByteArray& part : parts) {
        if (part.endsWith('\r')) {
            part.chop(1);
        }
        lines << QString::fromUtf8(part);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 60000) {  // what one pipe holds before the writer would wait
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    int fds[2];
    CHECK(pipe2(fds, O_CLOEXEC) == 0);
    CHECK(write(fds[1], data, size) == ssize_t(size));
    close(fds[1]);

    QStringList lines;
    bool finished = false;
    {
        ConversationInput reader(fds[0]);
        QEventLoop loop;
        QObject::connect(&reader, &ConversationInput::lineReady, [&](const QString& line) {
            lines << line;
            reader.next();
        });
        QObject::connect(&reader, &ConversationInput::finished, [&] {
            finished = true;
            loop.quit();
        });
        reader.next();
        loop.exec();
    }
    close(fds[0]);
    CHECK(finished);
    CHECK(lines == expectedLines(input));
    for (const QString& line : lines) {
        const TypedLine typed = splitTypedLine(line);
        CHECK(!typed.command.contains(QLatin1Char(' ')));
        CHECK(typed.command == line || typed.command + QLatin1Char(' ') + typed.argument == line);
    }
    return 0;
}
