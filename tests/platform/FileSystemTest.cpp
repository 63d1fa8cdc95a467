#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/FileSystem.h"

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

    EXPECT_TRUE(DeleteFolderTree(tree));
    EXPECT_FALSE(PathExists(tree, true));
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/precious.txt")));
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/folder/inner.txt")));
}

TEST(FileSystem, DeleteFolderTreeGivenALinkRemovesOnlyTheLink) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    QDir().mkpath(target);
    writeFile(target + QStringLiteral("/file"));
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_EQ(symlink(QFile::encodeName(target), QFile::encodeName(link)), 0);
    DeleteFolderTree(link);
    EXPECT_FALSE(PathExists(link, true));
    EXPECT_TRUE(QFile::exists(target + QStringLiteral("/file")));
}

TEST(FileSystem, PathExistsCountsFoldersOnlyWhenAsked) {
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral(".hidden")));
    EXPECT_TRUE(PathExists(dir.filePath(QStringLiteral(".hidden")), false));
    EXPECT_FALSE(PathExists(dir.path(), false));
    EXPECT_TRUE(PathExists(dir.path(), true));
    EXPECT_FALSE(PathExists(dir.filePath(QStringLiteral("missing")), true));
    EXPECT_FALSE(PathExists(QString(), true));
}

TEST(FileSystem, PrivateFolderIsCreatedTightenedOrRefused) {
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("fresh/"));
    EXPECT_EQ(ensurePrivateFolder(fresh), PrivateFolderStatus::Created);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fresh), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(ensurePrivateFolder(fresh), PrivateFolderStatus::Ready);

    const QString loose = dir.filePath(QStringLiteral("loose"));
    QDir().mkpath(loose);
    chmod(QFile::encodeName(loose), 0777);
    EXPECT_EQ(ensurePrivateFolder(loose), PrivateFolderStatus::Ready);
    ASSERT_EQ(stat(QFile::encodeName(loose), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    // A link (even to a good folder) or a plain file is somebody else's trap: refused.
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_EQ(symlink(QFile::encodeName(fresh), QFile::encodeName(link)), 0);
    EXPECT_EQ(ensurePrivateFolder(link + QLatin1Char('/')), PrivateFolderStatus::Unsafe);
    const QString file = dir.filePath(QStringLiteral("file"));
    writeFile(file);
    EXPECT_EQ(ensurePrivateFolder(file), PrivateFolderStatus::Unsafe);
    EXPECT_EQ(ensurePrivateFolder(dir.filePath(QStringLiteral("no/such/parent"))),
              PrivateFolderStatus::Failed);
}
