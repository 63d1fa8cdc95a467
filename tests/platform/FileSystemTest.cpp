#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <barrier>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/Shell.h"
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

bool makeLink(const QString& target, const QString& link) {
    return symlink(QFile::encodeName(target), QFile::encodeName(link)) == 0;
}

}  // namespace

TEST(FileSystem, DeleteFolderTreeRemovesEverythingButNeverFollowsLinks) {
    QTemporaryDir dir;
    const QString tree = dir.filePath(u"tree"_s);
    const QString outside = dir.filePath(u"outside"_s);
    QDir().mkpath(tree + u"/nested/deeper"_s);
    QDir().mkpath(outside + u"/folder"_s);
    writeFile(outside + u"/precious.txt"_s, "keep me");
    writeFile(outside + u"/folder/inner.txt"_s, "keep me too");

    writeFile(tree + u"/readonly.png"_s);
    chmod(QFile::encodeName(tree + u"/readonly.png"_s), 0444);
    writeFile(tree + u"/.hidden"_s);
    writeFile(tree + u"/nested/deeper/file"_s);
    chmod(QFile::encodeName(tree + u"/nested/deeper"_s), 0555);
    chmod(QFile::encodeName(tree + u"/nested"_s), 0500);
    ASSERT_TRUE(makeLink(outside + u"/precious.txt"_s, tree + u"/link-to-file"_s));
    ASSERT_TRUE(makeLink(outside + u"/folder"_s, tree + u"/link-to-folder"_s));
    ASSERT_TRUE(makeLink(u"/nonexistent/target"_s, tree + u"/dangling"_s));

    // Given a link in its place, only the link goes.
    const QString link = dir.filePath(u"link"_s);
    ASSERT_TRUE(makeLink(outside, link));
    EXPECT_TRUE(DeleteFolderTree(link));
    EXPECT_TRUE(PathExists(tree, true) && !PathExists(tree, false));  // a folder only when asked
    EXPECT_TRUE(DeleteFolderTree(tree));
    EXPECT_FALSE(PathExists(tree, true) || PathExists(link, true));
    EXPECT_TRUE(QFile::exists(outside + u"/precious.txt"_s));
    EXPECT_TRUE(QFile::exists(outside + u"/folder/inner.txt"_s));
}

TEST(PrivateFolder, IsCreatedTightenedOrRefused) {
    using Status = PrivateFolder::Status;
    QTemporaryDir dir;
    const QString fresh = dir.filePath(u"fresh/"_s);
    EXPECT_EQ(PrivateFolder(fresh).status(), Status::Created);
    chmod(QFile::encodeName(fresh), 0777);
    EXPECT_EQ(PrivateFolder(fresh).status(), Status::Ready);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fresh), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);  // tightened

    // A link (even to a good folder) or a plain file is somebody else's trap: refused.
    const QString link = dir.filePath(u"link"_s);
    ASSERT_TRUE(makeLink(fresh, link));
    EXPECT_EQ(PrivateFolder(link + QLatin1Char('/')).status(), Status::Unsafe);
    const QString file = dir.filePath(u"file"_s);
    writeFile(file);
    EXPECT_EQ(PrivateFolder(file).status(), Status::Unsafe);
    // Failed, with the reason.
    const PrivateFolder orphan(dir.filePath(u"no/such/parent"_s));
    EXPECT_EQ(orphan.status(), Status::Failed);
    EXPECT_EQ(orphan.error(), ENOENT);
}

// Starting together, every holder finds the folder made by whichever came first.
TEST(PrivateFolder, ManyCreatingItAtOnceAllSucceed) {
    constexpr int kRounds = 500;
    constexpr int kHolders = 4;
    QTemporaryDir dir;
    for (int round = 0; round < kRounds; ++round) {
        const QString path = dir.filePath(QString::number(round));
        std::barrier start(kHolders);
        std::atomic<int> created = 0;
        std::atomic<int> failed = 0;
        std::vector<std::thread> threads;
        for (int i = 0; i < kHolders; ++i) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                const PrivateFolder folder(path);
                created += folder.status() == PrivateFolder::Status::Created;
                failed += !folder.isOpen();
            });
        }
        for (std::thread& t : threads) {
            t.join();
        }
        ASSERT_EQ(failed, 0) << "round " << round;
        ASSERT_EQ(created, 1) << "round " << round;
    }
}

// What writers killed half-way leave: names reserved and never written (empty files) and our
// hidden staging files. A folder nobody holds any more is swept of them all by its first
// holder; a folder others may be writing in (a save folder) only of staging files whose writer
// has ended. Nothing else is touched, other programs' hidden files least of all.
TEST(PrivateFolder, WhatKilledWritersLeftIsSweptOnlyWhereNoWriterRuns) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const QString running = u".b.png.pictavo-%1-AbC123"_s.arg(getpid());
    const QStringList others{u".c.png.AbC123"_s, u"sent.png"_s};
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f/"_s);
    const auto plant = [&] {
        for (const QString& name :
             {u".a.png.pictavo-%1-AbC123"_s.arg(child), running, u"reserved.png"_s, others[0]}) {
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
    const PrivateFolder alone(path);
    EXPECT_EQ(present(), others);
}

TEST(WellKnownPaths, PrivateTempFolderIsNeverSharedBetweenUsers) {
    // No TMPDIR and no runtime folder at all: the user's own folder in /tmp.
    EXPECT_EQ(WellKnownPaths::privateTempFolderFor(u"App"_s, {}, {}, false, 1000),
              u"/tmp/App-1000/"_s);
    // The environment as the tests set it: TMPDIR wins; without it, the private runtime folder.
    EXPECT_EQ(WellKnownPaths::privateTempFolder(u"App"_s),
              qEnvironmentVariable("TMPDIR") + u"/App/"_s);
    const QByteArray tmp = qgetenv("TMPDIR");
    qunsetenv("TMPDIR");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QDir().mkpath(runtime);
    chmod(QFile::encodeName(runtime), 0700);
    EXPECT_EQ(WellKnownPaths::privateTempFolder(u"App"_s), runtime + u"/App/"_s);
    chmod(QFile::encodeName(runtime), 0755);
    EXPECT_EQ(WellKnownPaths::privateTempFolder(u"App"_s), u"/tmp/App-%1/"_s.arg(geteuid()));
    qputenv("TMPDIR", tmp);
}

// xdg-open stands in for the desktop: missing, failing, done, or still running a file manager.
TEST(DesktopShell, AFolderThatCannotBeOpenedIsReported) {
    const std::pair<const char*, bool> rows[] = {
        {"", false}, {"exit 3", false}, {"exit 0", true}, {"exec /bin/sleep 3", true}};
    const QByteArray path = qgetenv("PATH");
    for (const auto& [script, opened] : rows) {
        SCOPED_TRACE(script);
        QTemporaryDir bin;
        if (*script) {
            writeFile(bin.filePath(u"xdg-open"_s), QByteArray("#!/bin/sh\n") + script + "\n");
            QFile::setPermissions(bin.filePath(u"xdg-open"_s), QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        EXPECT_EQ(DesktopShell(500).openFolder(bin.path()), opened);
        qputenv("PATH", path);
    }
}

// The default save folder: the desktop of user-dirs.dirs, else its pictures folder, else home.
TEST(WellKnownPaths, DefaultSaveFolderIsTheFirstOfDesktopPicturesAndHomeThatExists) {
    const QString home = QDir::homePath();
    QFile dirs(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/user-dirs.dirs"_s);
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly) &&
                dirs.write("XDG_DESKTOP_DIR=\"$HOME/Desk\"\n"
                           "XDG_PICTURES_DIR=\"$HOME/Pics\"") &&
                dirs.flush());
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home);
    QDir(home).mkdir(u"Pics"_s);
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home + u"/Pics"_s);
    QDir(home).mkdir(u"Desk"_s);
    EXPECT_EQ(WellKnownPaths::defaultSaveFolder(), home + u"/Desk"_s);
}
