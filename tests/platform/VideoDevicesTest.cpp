#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/VideoDevices.h"

using namespace pictavo;
using namespace Qt::StringLiterals;

// No camera here: devices that are no capture device (or no device at all) are opened at most,
// asked and closed, and the answer is none.
TEST(VideoDevices, FindsNoCaptureDeviceAmongOthersAndLeavesNothingOpen) {
    QTemporaryDir dev;
    ASSERT_TRUE(QFile(dev.filePath(u"video0"_s)).open(QIODevice::WriteOnly));
    for (const auto& [target, name] :
         {std::pair{"/dev/null", "video2"}, {"/dev/zero", "video10"}, {"/dev/null", "videox"}}) {
        ASSERT_TRUE(QFile::link(QLatin1String(target), dev.filePath(QLatin1String(name))));
    }
    const auto openFiles = [] { return QDir(u"/proc/self/fd"_s).count(); };
    const auto before = openFiles();
    V4L2VideoDevices devices(dev.path());
    EXPECT_EQ(devices.firstCaptureCard(), std::nullopt);
    EXPECT_EQ(V4L2VideoDevices(dev.filePath(u"missing"_s)).firstCaptureCard(), std::nullopt);
    EXPECT_EQ(openFiles(), before);
}
