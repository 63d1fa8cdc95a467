#include "support/HostProcess.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include "platform/RegistryHive.h"
#include "support/RawDisplay.h"

namespace pictavo::test {

HostProcess::HostProcess(const QStringList& arguments, const QProcessEnvironment& extra,
                         const QString& program) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    process_.setProcessEnvironment(environment);
    process_.start(program, arguments);
    EXPECT_TRUE(process_.waitForStarted(10000)) << program.toStdString();
}

std::unique_ptr<HostProcess> HostProcess::atScale(const QString& email, const char* scaleFactor) {
    QProcessEnvironment scale;
    scale.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1String(scaleFactor));
    return std::make_unique<HostProcess>(QStringList{QStringLiteral("--email"), email}, scale);
}

// QProcess's destructor kills a host that is still running.
HostProcess::~HostProcess() {
    finish(10000);
}

std::optional<QString> HostProcess::answer(int ms) {
    const QDeadlineTimer deadline(ms);
    // Events go on meanwhile: the test's own windows may be on the screen the host reads.
    while (!process_.canReadLine() && !deadline.hasExpired() && running()) {
        process_.waitForReadyRead(20);
        QCoreApplication::processEvents();
    }
    if (!process_.canReadLine()) {
        return std::nullopt;
    }
    return QString::fromUtf8(process_.readLine()).chopped(1);
}

bool HostProcess::waitUntilLoaded() {
    const QDeadlineTimer deadline(20000);
    while (!err_.contains("loaded") && !deadline.hasExpired() && running()) {
        process_.waitForReadyRead(100);
        err_ += process_.readAllStandardError();
    }
    return err_.contains("loaded");
}

int HostProcess::finish(int ms) {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(ms)) {
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QString HostProcess::standardError() {
    err_ += process_.readAllStandardError();
    return QString::fromUtf8(err_);
}

QProcessEnvironment onDisplay(const QByteArray& display) {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

QString xdotool(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList visibleWindows(const QString& title, const QProcessEnvironment& environment) {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')},
                   environment)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool waitForWindow(const QString& title, bool shown) {
    RawDisplay display(qgetenv("DISPLAY"));
    return QTest::qWaitFor(
        [&] {
            const QStringList ids = visibleWindows(title);
            if (!shown || ids.isEmpty()) {
                return ids.isEmpty() != shown;
            }
            // The keys go to the focus, or to a window that has taken the keyboard (a selection
            // does, and its window may never get the focus).
            return ids.contains(xdotool({QStringLiteral("getwindowfocus")})) ||
                   display.keyboardGrabbed();
        },
        20000);
}

QString userKeyPath(const QString& email) {
    return QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + email;
}

void setUserValue(const QString& email, const char* sub, const char* name, const QString& value) {
    RegistryHive hive(RegistryHive::defaultPath());
    const QString key =
        userKeyPath(email) + (*sub ? QStringLiteral("\\") : QString()) + QLatin1String(sub);
    ASSERT_TRUE(hive.createKey(RootKey::CurrentUser, key));
    ASSERT_EQ(hive.setValue(RootKey::CurrentUser, key, QLatin1String(name), RegValue::text(value)),
              0);
}

}  // namespace pictavo::test
