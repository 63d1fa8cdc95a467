// pictavo-host: a stand-in for the messenger. It loads the plug-in from its scripts folder the
// way the messenger does and hands it the lines typed on standard input.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <exception>

#include "CommandLine.h"
#include "DisplayCheck.h"
#include "HostSession.h"
#include "PluginLibrary.h"
#include "StopSignals.h"
#include "platform/RegistryHive.h"
#include "settings/HostScriptsKey.h"

namespace {

// Stands for the messenger object the plug-in is handed; the plug-in never looks inside.
struct Messenger {
    int reserved = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // On a Wayland desktop the windows go through XWayland where there is one, so that they keep
    // the places they ask for; Qt would choose its wayland platform there. The user's choice
    // stands.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    const auto application = pictavo::host::openApplication(argc, argv);
    QApplication& app = *application;
    QApplication::setApplicationName(QStringLiteral("pictavo-host"));
    QApplication::setQuitOnLastWindowClosed(false);
    QTextStream err(stderr);
    // From here on SIGINT and SIGTERM close the host cleanly, whatever it is doing.
    pictavo::host::StopSignals stopSignals;
    QObject::connect(&stopSignals, &pictavo::host::StopSignals::stopRequested, [&err](int s) {
        err << "pictavo-host: stopping on signal " << s << "\n" << Qt::flush;
    });

    const QString user = qEnvironmentVariable("USER", QStringLiteral("user"));
    const QString defaultScripts = QDir::cleanPath(QApplication::applicationDirPath() +
                                                   QStringLiteral("/../lib/pictavo-host/Scripts"));
    QString error;
    const auto options = pictavo::host::parseHostArguments(
        app.arguments().mid(1), user + QStringLiteral("@localhost"), defaultScripts, error);
    if (!options) {
        err << "pictavo-host: " << error << "\n"
            << "usage: pictavo-host [--email ADDRESS] [--host-version N] [--scripts-dir DIR]\n";
        return 2;
    }

    try {
        // The host keeps its scripts folder where the plug-in looks for it.
        {
            pictavo::RegistryHive hive(pictavo::RegistryHive::defaultPath());
            pictavo::HostScriptsKey::publish(hive, options->scriptsDir);
        }
        pictavo::host::PluginLibrary library(options->scriptsDir +
                                             QStringLiteral("/Pictavo Live/libpictavo.so"));
        pictavo::PluginInterface& plugin = library.plugin();
        Messenger messenger;

        bool ready = false;
        try {
            ready = plugin.Initialize(options->hostVersion, options->email, &messenger);
        } catch (const std::exception& e) {
            err << "error: " << QString::fromUtf8(e.what()) << "\n" << Qt::flush;
        }
        int status = 0;
        if (ready) {
            QString name;
            std::int32_t commands = 0;
            std::int32_t tags = 0;
            plugin.GetPublishInfo(name, commands, tags);
            err << "pictavo-host: loaded \"" << name << "\" with " << commands << " commands\n"
                << Qt::flush;
            pictavo::host::HostSession session(plugin, STDIN_FILENO, isatty(STDIN_FILENO) == 1);
            QObject::connect(&session, &pictavo::host::HostSession::ended, &app,
                             &QCoreApplication::quit, Qt::QueuedConnection);
            QObject::connect(&stopSignals, &pictavo::host::StopSignals::stopRequested, &session,
                             &pictavo::host::HostSession::stop);
            // A signal seen while the plug-in started has already ended the event loops.
            if (stopSignals.received() == 0) {
                session.start();
                app.exec();
            }
        } else {
            err << "pictavo-host: the plug-in did not start\n" << Qt::flush;
            status = 1;
        }
        try {
            plugin.Uninitialize();
        } catch (const std::exception& e) {
            err << "error: " << QString::fromUtf8(e.what()) << "\n" << Qt::flush;
        }
        library.unload();
        return status;
    } catch (const std::exception& e) {
        err << "pictavo-host: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
}
