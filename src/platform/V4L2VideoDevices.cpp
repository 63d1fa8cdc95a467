#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/UniqueFd.h"
#include "platform/VideoDevices.h"

namespace pictavo {

namespace {

// The device numbers of the "video<n>" entries, ascending.
std::vector<std::pair<unsigned long, QString>> videoEntries(const QString& folder) {
    std::vector<std::pair<unsigned long, QString>> entries;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        bool ok = false;
        const unsigned long n = name.mid(5).toULong(&ok);
        if (ok && name.mid(5).at(0).isDigit()) {
            entries.emplace_back(n, name);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::optional<QString> captureCard(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return std::nullopt;
    }
    const UniqueFd device(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!device.isOpen()) {
        return std::nullopt;
    }
    v4l2_capability cap{};
    int rc = 0;
    do {
        rc = ::ioctl(device.get(), VIDIOC_QUERYCAP, &cap);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        return std::nullopt;
    }
    const __u32 caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    if ((caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) == 0) {
        return std::nullopt;
    }
    const auto* card = reinterpret_cast<const char*>(cap.card);
    return QString::fromUtf8(card, static_cast<qsizetype>(::strnlen(card, sizeof cap.card)));
}

}  // namespace

std::optional<QString> V4L2VideoDevices::firstCaptureCard() {
    for (const auto& [number, name] : videoEntries(folder_)) {
        if (auto card = captureCard(QFile::encodeName(folder_ + QLatin1Char('/') + name))) {
            return card;
        }
    }
    return std::nullopt;
}

}  // namespace pictavo
