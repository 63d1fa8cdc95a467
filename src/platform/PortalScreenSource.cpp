#include "platform/PortalScreenSource.h"

#include <unistd.h>

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include "platform/X11ScreenSource.h"

namespace pictavo {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kBackends = QStringLiteral(
    "xdg-desktop-portal-gnome, xdg-desktop-portal-kde, or xdg-desktop-portal-wlr "
    "with xdg-desktop-portal-gtk");

// Receives the one Response of a portal request. QtDBus connects signals to slots by name only.
class ResponseReceiver : public QObject {
    Q_OBJECT
public:
    explicit ResponseReceiver(QEventLoop& loop) : loop_(loop) {}

    bool answered = false;
    uint response = 0;
    QVariantMap results;

public slots:
    void onResponse(uint code, const QVariantMap& values) {
        answered = true;
        response = code;
        results = values;
        loop_.quit();
    }

private:
    QEventLoop& loop_;
};

// Where a picture the portal wrote may be removed once read: a folder for temporary files, not
// one of the user's (GNOME's and KDE's backends may save into the Pictures folder).
bool inTemporaryFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    for (const QString& temporary :
         {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")}) {
        if (folder == temporary || folder.startsWith(temporary + QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}

ScreenReadError callFailure(const QDBusError& error) {
    switch (error.type()) {
        case QDBusError::ServiceUnknown:
            return ScreenReadError(
                QStringLiteral("the desktop portal is not running. Install xdg-desktop-portal and "
                               "the portal backend of your desktop (%1).")
                    .arg(kBackends));
        case QDBusError::UnknownInterface:
        case QDBusError::UnknownMethod:
        case QDBusError::UnknownObject:
            return ScreenReadError(
                QStringLiteral("the desktop portal offers no screenshots: the xdg-desktop-portal "
                               "backend of this desktop is missing (%1).")
                    .arg(kBackends));
        case QDBusError::NoReply:
        case QDBusError::Timeout:
        case QDBusError::TimedOut:
            return ScreenReadError(QStringLiteral("the desktop portal did not answer."));
        default:
            return ScreenReadError(QStringLiteral("the desktop portal failed: %1 (%2).")
                                       .arg(error.message(), error.name()));
    }
}

}  // namespace

PortalScreenSource::PortalScreenSource(std::unique_ptr<X11ScreenSource> windows,
                                       QDBusConnection bus, std::chrono::milliseconds timeout)
    : windows_(std::move(windows)), bus_(std::move(bus)), timeout_(timeout) {}

PortalScreenSource::~PortalScreenSource() = default;

QString PortalScreenSource::requestPicture() {
    if (!bus_.isConnected()) {
        throw ScreenReadError(
            QStringLiteral("there is no session bus to reach the desktop portal through."));
    }
    // The request's object path is known before the call, so that the answer, which is sent to
    // this connection alone and may come before the call returns, cannot be missed.
    const QString token = QStringLiteral("pictavo%1_%2").arg(::getpid()).arg(++requests_);
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;

    QEventLoop loop;
    ResponseReceiver receiver(loop);
    const auto subscribe = [&](const QString& path) {
        bus_.connect(kPortalService, path, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), &receiver, SLOT(onResponse(uint, QVariantMap)));
    };
    const auto unsubscribe = [&](const QString& path) {
        bus_.disconnect(kPortalService, path, QStringLiteral("org.freedesktop.portal.Request"),
                        QStringLiteral("Response"), &receiver, SLOT(onResponse(uint, QVariantMap)));
    };
    subscribe(requestPath);

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const QDBusMessage reply = bus_.call(call, QDBus::Block, int(timeout_.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        unsubscribe(requestPath);
        throw callFailure(QDBusError(reply));
    }
    // A portal older than handle_token names a request path of its own.
    QString handle = requestPath;
    if (!reply.arguments().isEmpty()) {
        const QString returned = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        if (!returned.isEmpty() && returned != requestPath) {
            handle = returned;
            subscribe(handle);
        }
    }
    if (!receiver.answered) {
        // A timer of this call's own: a single-shot one of Qt's would outlive it, and outlive
        // the plug-in's code too when the host unloads it within the timeout.
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(timeout_);
        loop.exec();
    }
    unsubscribe(requestPath);
    if (handle != requestPath) {
        unsubscribe(handle);
    }

    if (!receiver.answered) {
        throw ScreenReadError(
            QStringLiteral("the desktop portal did not answer within %1 seconds: the "
                           "xdg-desktop-portal backend of this desktop is missing or stuck (%2).")
                .arg(static_cast<double>(timeout_.count()) / 1000.0)
                .arg(kBackends));
    }
    if (receiver.response == 1) {
        throw ScreenReadError(QStringLiteral("the desktop refused the screenshot."));
    }
    if (receiver.response != 0) {
        throw ScreenReadError(
            QStringLiteral("the desktop portal could not take the screenshot (answer %1): the "
                           "xdg-desktop-portal backend of this desktop is missing or failing "
                           "(%2).")
                .arg(receiver.response)
                .arg(kBackends));
    }

    const QUrl uri(receiver.results.value(QStringLiteral("uri")).toString());
    QString path = uri.toLocalFile();
    if (path.isEmpty()) {
        throw ScreenReadError(
            QStringLiteral("the desktop portal named no picture file (%1).").arg(uri.toString()));
    }
    return path;
}

QImage PortalScreenSource::screenshot() {
    const QString path = requestPicture();
    QImage picture(path);
    // Nothing of the screen stays behind in a folder that others can read.
    if (inTemporaryFolder(path)) {
        QFile::remove(path);
    }
    if (picture.isNull()) {
        throw ScreenReadError(
            QStringLiteral("the desktop portal's picture %1 could not be read.").arg(path));
    }
    if (picture.format() != QImage::Format_RGB32) {
        picture.convertTo(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    lastSize_ = picture.size();
    return picture;
}

QRect PortalScreenSource::virtualScreen() {
    if (lastSize_.isEmpty()) {
        screenshot();
    }
    return QRect(QPoint(0, 0), lastSize_);
}

QRect PortalScreenSource::foregroundWindowRect() {
    return virtualScreen();
}

QRect PortalScreenSource::windowRect(WindowId window, bool /*clientArea*/) {
    return window == kRootWindow ? virtualScreen() : QRect();
}

QImage PortalScreenSource::grab(const QRect& rect) {
    if (rect.isEmpty()) {
        return {};
    }
    QImage screen = screenshot();
    if (rect == screen.rect()) {
        return screen;
    }
    // Parts outside the desktop are black, as on X11.
    QImage part(rect.size(), QImage::Format_RGB32);
    part.fill(Qt::black);
    QPainter(&part).drawImage(QPoint(0, 0), screen, rect);
    return part;
}

QImage PortalScreenSource::grabVirtualScreen() {
    return screenshot();
}

QImage PortalScreenSource::grabForegroundWindow() {
    if (windows_) {
        if (const WindowId window = windows_->foregroundWindow(); window != kRootWindow) {
            return windows_->grabWindowContents(window);
        }
    }
    log(QStringLiteral("Active window: no X window is active; the whole screen is sent"));
    return screenshot();
}

qreal PortalScreenSource::pictureScale() {
    if (lastSize_.isEmpty()) {
        return 1.0;
    }
    int windowsWidth = 0;
    if (windows_) {
        windowsWidth = windows_->virtualScreen().width();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        windowsWidth = qRound(screen->virtualGeometry().width() * screen->devicePixelRatio());
    }
    return windowsWidth > 0 ? qreal(lastSize_.width()) / windowsWidth : 1.0;
}

int PortalScreenSource::taskbarHeight() {
    return windows_ ? windows_->taskbarHeight() : 0;
}

std::unique_ptr<ScreenSource> makePortalScreenSource() {
    return std::make_unique<PortalScreenSource>(X11ScreenSource::onQtConnection());
}

}  // namespace pictavo

#include "PortalScreenSource.moc"
