#include "PurpleSession.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>

namespace pictavo::test {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port of 127.0.0.1 that nobody listens on now.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool listening(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

}  // namespace

XmppServer::XmppServer(const QStringList& users) {
    port_ = freePort();
    const QString dir = folder_.path();
    QDir().mkpath(dir + QStringLiteral("/data"));
    QDir().mkpath(dir + QStringLiteral("/certs"));
    const QString config = dir + QStringLiteral("/prosody.cfg.lua");
    QFile file(config);
    file.open(QIODevice::WriteOnly);
    // Ports count only in the global section; as root (as in CI) prosody must be allowed to
    // run as root; without a certificate it must not insist on encryption.
    file.write(QStringLiteral(R"(pidfile = "%1/prosody.pid"
data_path = "%1/data"
certificates = "%1/certs"
run_as_root = true
c2s_ports = { %2 }
c2s_interfaces = { "127.0.0.1" }
s2s_ports = { }
http_ports = { }
https_ports = { }
c2s_require_encryption = false
allow_unencrypted_plain_auth = true
authentication = "internal_plain"
modules_enabled = { "roster"; "saslauth"; "disco"; "posix"; "ping" }
modules_disabled = { "s2s"; "tls" }
log = { { levels = { min = "error" }, to = "console" } }
VirtualHost "localhost"
)")
                   .arg(dir)
                   .arg(port_)
                   .toUtf8());
    file.close();
    for (const QString& user : users) {
        QProcess ctl;
        ctl.start(QStringLiteral("prosodyctl"),
                  {QStringLiteral("--config"), config, QStringLiteral("register"), user,
                   QStringLiteral("localhost"), QStringLiteral("pw")});
        if (!ctl.waitForFinished(30000) || ctl.exitCode() != 0) {
            error_ = QStringLiteral("prosodyctl register %1 failed: %2")
                         .arg(user, QString::fromUtf8(ctl.readAllStandardError()));
            return;
        }
    }
    prosody_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    prosody_.setStandardOutputFile(QProcess::nullDevice());
    prosody_.start(QStringLiteral("prosody"),
                   {QStringLiteral("--config"), config, QStringLiteral("-F")});
    if (!prosody_.waitForStarted(10000)) {
        error_ = QStringLiteral("prosody did not start: ") + prosody_.errorString();
        return;
    }
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (listening(port_)) {
            return;
        }
        if (prosody_.state() == QProcess::NotRunning) {
            break;
        }
        QThread::msleep(50);
    }
    error_ = QStringLiteral("prosody does not listen on port %1").arg(port_);
}

XmppServer::~XmppServer() {
    prosody_.terminate();
    if (!prosody_.waitForFinished(5000)) {
        prosody_.kill();
        prosody_.waitForFinished(5000);
    }
}

PurpleClient::PurpleClient(const XmppServer& server, const QString& user, const QString& buddy,
                           const QString& receiveDir) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--user"),     user + QStringLiteral("@localhost/test"),
                          QStringLiteral("--password"), QStringLiteral("pw"),
                          QStringLiteral("--buddy"),    buddy + QStringLiteral("@localhost"),
                          QStringLiteral("--home"),     home_.path(),
                          QStringLiteral("--port"),     QString::number(server.port())};
    if (!receiveDir.isEmpty()) {
        arguments << QStringLiteral("--receive-dir") << receiveDir;
    }
    // libpurple's debug log (the plug-in's and its hosts' lines too) on standard error.
    if (qEnvironmentVariableIsSet("PICTAVO_PURPLE_DEBUG")) {
        arguments << QStringLiteral("--debug") << QStringLiteral("1");
    }
    process_.start(QStringLiteral(PICTAVO_PURPLE_CLIENT), arguments);
}

PurpleClient::~PurpleClient() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void PurpleClient::send(const QString& line) {
    process_.write(line.toUtf8() + '\n');
    process_.waitForBytesWritten(1000);
}

bool PurpleClient::readLine(int ms) {
    QDeadlineTimer deadline(ms);
    while (!process_.canReadLine()) {
        if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) {
            return false;
        }
        process_.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
    }
    const QString line = QString::fromUtf8(process_.readLine()).chopped(1);
    lines_ << line;
    all_ << line;
    return true;
}

std::optional<QString> PurpleClient::next(const QString& prefix, int ms) {
    QDeadlineTimer deadline(ms);
    for (qsizetype checked = 0;; ++checked) {
        for (; checked < lines_.size(); ++checked) {
            if (lines_[checked].startsWith(prefix)) {
                const QString rest = lines_[checked].mid(prefix.size()).trimmed();
                lines_.removeAt(checked);
                return rest;
            }
        }
        if (!readLine(int(deadline.remainingTime()))) {
            return std::nullopt;
        }
        --checked;
    }
}

QStringList PurpleClient::seen(int ms) {
    QDeadlineTimer deadline(ms);
    while (readLine(int(deadline.remainingTime()))) {
    }
    return all_;
}

QList<qint64> hostChildren(qint64 parent) {
    QList<qint64> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (comm) state ppid ...
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> rest = text.mid(close + 2).split(' ');
        if (text.contains("(pictavo-host)") && rest.value(1).toLongLong() == parent) {
            found << entry.toLongLong();
        }
    }
    return found;
}

}  // namespace pictavo::test
