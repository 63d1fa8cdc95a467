#pragma once

#include <signal.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace pictavo::test {

// The built pictavo-host (or another program) as a child process in the test's environment
// plus `extra`, fed one line at a time. The object closes its input and waits for it to end,
// and kills it if it does not.
class HostProcess {
public:
    explicit HostProcess(const QStringList& arguments,
                         const QProcessEnvironment& extra = QProcessEnvironment(),
                         const QString& program = QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"));
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    void send(const QByteArray& line) { process_.write(line + '\n'); }
    void write(const QByteArray& bytes) { process_.write(bytes); }
    // The next answer line; nullopt when none comes within `ms`.
    std::optional<QString> answer(int ms = 30000);
    // Waits for the host to have loaded the plug-in (or ended).
    bool waitUntilLoaded();
    void signal(int number) { ::kill(pid_t(process_.processId()), number); }
    // Closes the input and waits: the exit code once the program has ended by itself, -1 when it
    // crashed or did not end within `ms`.
    int finish(int ms = 30000);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    QString standardError();
    QByteArray remainingOutput() { return process_.readAllStandardOutput(); }

    // The host of `email`'s account, with Qt's scale factor set to `scaleFactor`.
    static std::unique_ptr<HostProcess> atScale(const QString& email, const char* scaleFactor);

private:
    QProcess process_;
    QByteArray err_;
};

// The environment that points a child at the X server `display`.
QProcessEnvironment onDisplay(const QByteArray& display);
// Runs xdotool with `arguments` and returns what it printed.
QString xdotool(const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
// The ids of the visible windows titled exactly `title`.
QStringList visibleWindows(const QString& title, const QProcessEnvironment& environment =
                                                     QProcessEnvironment::systemEnvironment());
// Waits until a window titled `title` is shown and takes the keys, holding the focus or the
// keyboard (or, with `shown` false, until none is shown).
bool waitForWindow(const QString& title, bool shown = true);

// Writes one text value of `email`'s settings straight into the store; `sub` "" is the user key.
void setUserValue(const QString& email, const char* sub, const char* name, const QString& value);
// "SOFTWARE\Quorrel\Pictavo\" + `email`, under HKEY_CURRENT_USER.
QString userKeyPath(const QString& email);

}  // namespace pictavo::test
