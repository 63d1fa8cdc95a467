#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace pictavo::test {

// A prosody XMPP server on 127.0.0.1 for the life of the object, from a private configuration
// and data folder, with the users `users` (password "pw") on the host "localhost".
class XmppServer {
public:
    explicit XmppServer(const QStringList& users);
    ~XmppServer();
    XmppServer(const XmppServer&) = delete;
    XmppServer& operator=(const XmppServer&) = delete;

    bool isRunning() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    int port() const { return port_; }

private:
    QTemporaryDir folder_;
    QProcess prosody_;
    int port_ = 0;
    QString error_;
};

// One signed-in account in the headless libpurple test client, as a child process spoken to in
// lines (see the client's source for its words).
class PurpleClient {
public:
    // `user`@localhost, with `buddy`@localhost on its list (presence shared both ways once the
    // other side has signed in too); received files go to `receiveDir` when not empty.
    PurpleClient(const XmppServer& server, const QString& user, const QString& buddy,
                 const QString& receiveDir = {});
    ~PurpleClient();
    PurpleClient(const PurpleClient&) = delete;
    PurpleClient& operator=(const PurpleClient&) = delete;

    void send(const QString& line);
    // The rest of the first line not yet taken that starts with `prefix` (every line stays in
    // seen());
    // nullopt when none comes within `ms`.
    std::optional<QString> next(const QString& prefix, int ms = 20000);
    // Every line read so far, and those that come within `ms`.
    QStringList seen(int ms = 0);
    qint64 pid() const { return process_.processId(); }

private:
    bool readLine(int ms);

    QTemporaryDir home_;
    QProcess process_;
    QStringList lines_;  // read, not yet taken by next()
    QStringList all_;
};

// The pictavo-host processes whose parent is `parent`.
QList<qint64> hostChildren(qint64 parent);

}  // namespace pictavo::test
