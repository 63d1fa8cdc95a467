#include <gtest/gtest.h>
#include <sys/stat.h>
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
#include "platform/WellKnownPaths.h"

using namespace pictavo;
using namespace pictavo::FileSystem;

namespace {

void writeFile(const QString& path, const QByteArray& data = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

}  // namespace

TEST(FileSystem, DeleteFolderTreeRemovesEverythingButNeverFollowsLinks) {
    QTemporaryDir dir;
    const QString tree = dir.filePath(QStringLiteral("tree"));
    const QString outside = dir.filePath(QStringLiteral("outside"));
    QDir().mkpath(tree + QStringLiteral("/nested/deeper"));
    QDir().mkpath(outside + QStringLiteral("/folder"));
    writeFile(outside + QStringLiteral("/precious.txt"), "keep me");
    writeFile(outside + QStringLiteral("/folder/inner.txt"), "keep me too");

    writeFile(tree + QStringLiteral("/readonly.png"));
    chmod(QFile::encodeName(tree + QStringLiteral("/readonly.png")), 0444);
    writeFile(tree + QStringLiteral("/.hidden"));
    writeFile(tree + QStringLiteral("/nested/deeper/file"));
    chmod(QFile::encodeName(tree + QStringLiteral("/nested/deeper")), 0555);
    chmod(QFile::encodeName(tree + QStringLiteral("/nested")), 0500);
    ASSERT_EQ(symlink(QFile::encodeName(outside + QStringLiteral("/precious.txt")),
                      QFile::encodeName(tree + QStringLiteral("/link-to-file"))),
              0);
    ASSERT_EQ(symlink(QFile::encodeName(outside + QStringLiteral("/folder")),
                      QFile::encodeName(tree + QStringLiteral("/link-to-folder"))),
              0);
    ASSERT_EQ(symlink("/nonexistent/target", QFile::encodeName(tree + QStringLiteral("/dangling"))),
              0);

    // Given a link in its place, only the link goes.
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_EQ(symlink(QFile::encodeName(outside), QFile::encodeName(link)), 0);
    DeleteFolderTree(link);
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    ASSERT_TRUE(PathExists(tree, true));  // a folder counts only when asked
    EXPECT_FALSE(PathExists(tree, false));
    EXPECT_TRUE(PathExists(tree + QStringLiteral("/.hidden"), false));
    EXPECT_TRUE(DeleteFolderTree(tree));
    EXPECT_FALSE(PathExists(tree, true));
    EXPECT_FALSE(PathExists(QString(), true));
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/precious.txt")));
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/folder/inner.txt")));
}

TEST(PrivateFolder, IsCreatedTightenedOrRefused) {
    using Status = PrivateFolder::Status;
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("fresh/"));
    EXPECT_EQ(PrivateFolder(fresh).status(), Status::Created);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fresh), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(PrivateFolder(fresh).status(), Status::Ready);

    const QString loose = dir.filePath(QStringLiteral("loose"));
    QDir().mkpath(loose);
    chmod(QFile::encodeName(loose), 0777);
    EXPECT_EQ(PrivateFolder(loose).status(), Status::Ready);
    ASSERT_EQ(stat(QFile::encodeName(loose), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    // A link (even to a good folder) or a plain file is somebody else's trap: refused.
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_EQ(symlink(QFile::encodeName(fresh), QFile::encodeName(link)), 0);
    EXPECT_EQ(PrivateFolder(link + QLatin1Char('/')).status(), Status::Unsafe);
    const QString file = dir.filePath(QStringLiteral("file"));
    writeFile(file);
    EXPECT_EQ(PrivateFolder(file).status(), Status::Unsafe);
    EXPECT_EQ(PrivateFolder(dir.filePath(QStringLiteral("no/such/parent"))).status(),
              Status::Failed);
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

TEST(PrivateFolder, ReservedNamesAreExclusiveAndEachHolderRemovesOnlyItsOwn) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared/"));
    auto first = std::make_unique<PrivateFolder>(path);
    PrivateFolder second(path);
    ASSERT_TRUE(first->reserve("a.png"));
    errno = 0;
    EXPECT_FALSE(second.reserve("a.png"));
    EXPECT_EQ(errno, EEXIST);
    ASSERT_TRUE(second.reserve("b.png"));
    writeFile(path + QStringLiteral("left.txt"));

    // The other holder is still there: only the first one's file goes.
    first->removeOwnFiles();
    EXPECT_EQ(QDir(path).entryList(QDir::Files), (QStringList{"b.png", "left.txt"}));
    first.reset();
    // Alone now, the folder goes with everything in it; a name released before is not touched
    // again once it holds another file.
    second.release("b.png");
    writeFile(path + QStringLiteral("b.png"));
    EXPECT_TRUE(second.isAtPath());
    second.removeOwnFiles();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(WellKnownPaths, PrivateTempFolderIsNeverSharedBetweenUsers) {
    const struct {
        const char* tmp;
        const char* runtime;
        bool runtimePrivate;
        const char* expected;
    } rows[] = {
        {"/var/tmp/me/", "/run/user/1000", true, "/var/tmp/me/App/"},
        {"", "/run/user/1000", true, "/run/user/1000/App/"},
        {"", "/run/user/1000", false, "/tmp/App-1000/"},
        {"", "", false, "/tmp/App-1000/"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(
            WellKnownPaths::privateTempFolderFor(QStringLiteral("App"), QLatin1String(r.tmp),
                                                 QLatin1String(r.runtime), r.runtimePrivate, 1000),
            QLatin1String(r.expected));
    }
    // The environment as the tests set it: TMPDIR wins; without it, the private runtime folder.
    EXPECT_EQ(WellKnownPaths::privateTempFolder(QStringLiteral("App")),
              qEnvironmentVariable("TMPDIR") + QStringLiteral("/App/"));
    const QByteArray tmp = qgetenv("TMPDIR");
    qunsetenv("TMPDIR");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QDir().mkpath(runtime);
    chmod(QFile::encodeName(runtime), 0700);
    EXPECT_EQ(WellKnownPaths::privateTempFolder(QStringLiteral("App")),
              runtime + QStringLiteral("/App/"));
    chmod(QFile::encodeName(runtime), 0755);
    EXPECT_EQ(WellKnownPaths::privateTempFolder(QStringLiteral("App")),
              QStringLiteral("/tmp/App-%1/").arg(geteuid()));
    qputenv("TMPDIR", tmp);
}
