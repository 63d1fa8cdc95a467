#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/VideoDevices.h"

using namespace pictavo;

// No camera here: devices that are no capture device (or no device at all) are opened at most,
// asked and closed, and the answer is none.
TEST(VideoDevices, FindsNoCaptureDeviceAmongOthersAndLeavesNothingOpen) {
    QTemporaryDir dev;
    QFile plain(dev.filePath(QStringLiteral("video0")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), dev.filePath(QStringLiteral("video2"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dev.filePath(QStringLiteral("video10"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), dev.filePath(QStringLiteral("videox"))));

    const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
    const auto before = openFiles();
    V4L2VideoDevices devices(dev.path());
    EXPECT_EQ(devices.firstCaptureCard(), std::nullopt);
    EXPECT_EQ(V4L2VideoDevices(dev.filePath(QStringLiteral("missing"))).firstCaptureCard(),
              std::nullopt);
    EXPECT_EQ(openFiles(), before);
}
