#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <atomic>
#include <barrier>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/Shell.h"
#include "platform/VideoDevices.h"
#include "platform/WellKnownPaths.h"

using namespace pictavo;
using namespace pictavo::FileSystem;
using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& data = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

}  // namespace

// Holders starting together all find the folder made by whichever came first; a later holder
// tightens it. A plain file is somebody else's trap: refused (a link in the folder's place is
// the send test's, whose next start refuses it).
TEST(PrivateFolder, IsCreatedOnceTightenedOrRefused) {
    using Status = PrivateFolder::Status;
    QTemporaryDir dir;
    QString path;
    for (int round = 0; round < 500; ++round) {
        path = dir.filePath(QString::number(round));
        std::barrier start(4);
        std::atomic<int> created = 0, open = 0;
        {
            std::vector<std::jthread> holders;
            for (int i = 0; i < 4; ++i) {
                holders.emplace_back([&] {
                    start.arrive_and_wait();
                    const PrivateFolder folder(path);
                    created += folder.status() == Status::Created;
                    open += folder.isOpen();
                });
            }
        }
        ASSERT_EQ(std::pair(created.load(), open.load()), std::pair(1, 4)) << "round " << round;
    }
    chmod(QFile::encodeName(path), 0777);
    EXPECT_EQ(PrivateFolder(path).status(), Status::Ready);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    writeFile(dir.filePath(u"file"_s));
    EXPECT_EQ(PrivateFolder(dir.filePath(u"file"_s)).status(), Status::Unsafe);
    const PrivateFolder orphan(dir.filePath(u"no/such/parent"_s));
    EXPECT_EQ(std::pair(orphan.status(), orphan.error()), std::pair(Status::Failed, ENOENT));
}

// What writers killed half-way leave: names reserved and never written (empty files) and our
// hidden staging files. A folder nobody holds any more is swept of them all by its first
// holder; a folder others may be writing in (a save folder) only of staging files whose writer
// has ended (here the largest process number, which no process ever has). Nothing else is
// touched, other programs' hidden files least of all.
TEST(PrivateFolder, WhatKilledWritersLeftIsSweptOnlyWhereNoWriterRunsAndTheLastTakesAll) {
    const QString running = u".b.png.pictavo-%1-AbC123"_s.arg(getpid());
    const QStringList others{u".c.png.AbC123"_s, u"sent.png"_s};
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f/"_s);
    const auto plant = [&] {
        for (const QString& name :
             {u".a.png.pictavo-2147483647-AbC123"_s, running, u"reserved.png"_s, others[0]}) {
            writeFile(path + name, {});
        }
        writeFile(path + others[1]);
    };
    const auto present = [&] {
        return QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    };
    auto first = std::make_unique<PrivateFolder>(path);
    plant();
    auto second = std::make_unique<PrivateFolder>(path);
    EXPECT_EQ(present().size(), 5) << "not alone: nothing swept";
    EXPECT_EQ(SweepStaleFiles(second->fd(), Sweep::EndedWriters), 1);
    EXPECT_EQ(present(), (QStringList{running, others[0], u"reserved.png"_s, others[1]}));
    plant();
    first.reset();
    second.reset();
    PrivateFolder alone(path);
    EXPECT_EQ(present(), others);

    // The last holder takes the folder with all in it, read-only entries too, and never follows
    // a link out of it.
    const QString outside = dir.filePath(u"outside"_s);
    writeFile(outside);
    QDir().mkpath(path + u"nested/deeper"_s);
    writeFile(path + u"nested/deeper/.hidden"_s);
    chmod(QFile::encodeName(path + u"nested/deeper/.hidden"_s), 0444);
    chmod(QFile::encodeName(path + u"nested/deeper"_s), 0555);
    chmod(QFile::encodeName(path + u"nested"_s), 0500);
    for (const auto& [target, link] : {std::pair{outside, u"to-file"_s},
                                       {dir.path(), u"to-folder"_s},
                                       {u"/nonexistent/target"_s, u"dangling"_s}}) {
        ASSERT_EQ(symlink(QFile::encodeName(target), QFile::encodeName(path + link)), 0);
    }
    EXPECT_EQ(alone.removeOwnFiles(), 0);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFile::exists(outside));
}

// The folders the environment names, each the first of its choices that is there. The temporary
// one without TMPDIR (whose rule the send and host tests show): the runtime folder while it is
// private, else the user's own folder in /tmp, also when there is no runtime folder at all. The
// default save folder: the desktop of user-dirs.dirs, else its pictures folder, else home.
TEST(WellKnownPaths, TheTemporaryFolderIsNeverSharedAndTheSaveFolderIsTheFirstThatExists) {
    qunsetenv("TMPDIR");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_EQ(WellKnownPaths::privateTempFolder(u"App"_s), runtime + u"/App/"_s);
    chmod(QFile::encodeName(runtime), 0755);
    EXPECT_EQ(WellKnownPaths::privateTempFolder(u"App"_s), u"/tmp/App-%1/"_s.arg(geteuid()));
    EXPECT_EQ(WellKnownPaths::privateTempFolderFor(u"App"_s, {}, {}, false, 1000),
              u"/tmp/App-1000/"_s);

    const QString home = QDir::homePath();
    writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/user-dirs.dirs"_s,
              "XDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_PICTURES_DIR=\"$HOME/Pics\"");
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home);
    QDir(home).mkdir(u"Pics"_s);
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home + u"/Pics"_s);
    QDir(home).mkdir(u"Desk"_s);
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home + u"/Desk"_s);
}

// xdg-open stands in for the desktop: missing, failing, done, or still running a file manager.
// What it prints never reaches our standard output, which carries the host's answers.
TEST(DesktopShell, AFolderThatCannotBeOpenedIsReported) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryFile printed;
    ASSERT_TRUE(printed.open());
    const int output = dup(STDOUT_FILENO);
    for (const auto& [script, opened] :
         {std::pair{"", false}, {"exit 3", false}, {"exit 0", true}, {"exec /bin/sleep 3", true}}) {
        SCOPED_TRACE(script);
        QTemporaryDir bin;
        if (*script) {
            writeFile(bin.filePath(u"xdg-open"_s),
                      QByteArray("#!/bin/sh\necho printed\n") + script + "\n");
            QFile::setPermissions(bin.filePath(u"xdg-open"_s), QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        dup2(printed.handle(), STDOUT_FILENO);
        const bool result = DesktopShell(500).openFolder(bin.path());
        dup2(output, STDOUT_FILENO);
        EXPECT_EQ(result, opened);
        qputenv("PATH", path);
    }
    close(output);
    EXPECT_EQ(QFileInfo(printed.fileName()).size(), 0);
}

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
