#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "platform/FileSystem.h"

namespace pictavo {

namespace {

// A holder that removes the folder does so between another's open and lock only rarely, and
// never repeatedly: a few tries are plenty.
constexpr int kOpenAttempts = 5;

FileIdentity identityOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

}  // namespace

std::optional<FileIdentity> identityAt(int folderFd, const QByteArray& name) {
    struct stat st {};
    if (fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return identityOf(st);
}

PrivateFolder::PrivateFolder(const QString& path) : path_(path) {
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    if (folder.isEmpty()) {
        return;
    }
    if (!path_.endsWith(QLatin1Char('/'))) {
        path_ += QLatin1Char('/');
    }
    const QByteArray native = QFile::encodeName(folder);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        // mkdir first: whoever makes the folder, the one that is there is then checked, so two
        // starting together both go on (EEXIST is no failure).
        const bool created = ::mkdir(native.constData(), S_IRWXU) == 0;
        if (!created && errno != EEXIST) {
            status_ = Status::Failed;
            error_ = errno;
            return;
        }
        if (!openChecked(native)) {
            return;
        }
        // Alone with the folder (no other holder has it open, in any process): what holders
        // killed half-way left there, empty reservations and staging files, is nobody's now.
        if (flock(fd(), LOCK_EX | LOCK_NB) == 0) {
            FileSystem::SweepStaleFiles(fd(), FileSystem::Sweep::IdleFolder);
        }
        // A holder that is removing the folder holds it exclusively; once it is done, the
        // folder we opened may be gone, and a new one is made.
        struct stat st {};
        if (flock(fd(), LOCK_SH) == 0 && fstat(fd(), &st) == 0 && st.st_nlink > 0) {
            status_ = created ? Status::Created : Status::Ready;
            return;
        }
        error_ = ENOENT;  // removed again and again under us
        fd_.close();
    }
    status_ = Status::Failed;
}

bool PrivateFolder::openChecked(const QByteArray& native) {
    // O_NOFOLLOW: a link in the folder's place is refused, not followed.
    UniqueFd folder(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isOpen()) {
        error_ = errno;
        status_ = errno == ELOOP || errno == ENOTDIR ? Status::Unsafe : Status::Failed;
        return false;
    }
    struct stat st {};
    if (fstat(folder.get(), &st) != 0 || st.st_uid != geteuid()) {
        status_ = Status::Unsafe;
        return false;
    }
    if ((st.st_mode & 07777) != S_IRWXU) {
        fchmod(folder.get(), S_IRWXU);
    }
    fd_ = std::move(folder);
    return true;
}

std::optional<FileIdentity> PrivateFolder::reserve(const QByteArray& name) {
    if (!isOpen()) {
        errno = EBADF;
        return std::nullopt;
    }
    // O_EXCL: the name is ours only if we made it; 0666 lets the umask decide, as for any file.
    UniqueFd file(
        openat(fd(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.isOpen()) {
        return std::nullopt;
    }
    struct stat st {};
    const bool known = fstat(file.get(), &st) == 0;
    const int error = errno;
    file.close();
    if (!known) {
        unlinkat(fd(), name.constData(), 0);
        errno = error;
        return std::nullopt;
    }
    reserved_.append({name, identityOf(st)});
    return identityOf(st);
}

void PrivateFolder::release(const QByteArray& name) {
    for (qsizetype i = 0; i < reserved_.size(); ++i) {
        if (reserved_[i].first == name) {
            if (identityAt(fd(), name) == reserved_[i].second) {
                unlinkat(fd(), name.constData(), 0);
            }
            reserved_.removeAt(i);
            return;
        }
    }
}

void PrivateFolder::replaced(const QByteArray& name) {
    for (auto& [reservedName, identity] : reserved_) {
        if (reservedName == name) {
            identity = identityAt(fd(), name).value_or(FileIdentity{});
        }
    }
}

int PrivateFolder::removeOwnFiles() {
    if (!isOpen()) {
        return EBADF;
    }
    while (!reserved_.isEmpty()) {
        release(reserved_.first().first);
    }
    // Nobody else holds the folder: it goes, with whatever earlier sessions left in it. The
    // path is removed only while it still names the folder we hold.
    int error = 0;
    if (flock(fd(), LOCK_EX | LOCK_NB) != 0) {
        error = EBUSY;
    } else if (FileSystem::ClearFolder(fd(), &error)) {
        if (!isAtPath()) {
            error = ENOENT;
        } else if (::rmdir(QFile::encodeName(path_.chopped(1)).constData()) != 0) {
            error = errno;
        }
    }
    fd_.close();
    return error;
}

bool PrivateFolder::isAtPath() const {
    // Device and inode only: the folder's change time moves with every file anybody creates
    // in it, and the folder is the same folder all the same.
    struct stat held {};
    struct stat named {};
    return isOpen() && fstat(fd(), &held) == 0 && held.st_nlink > 0 &&
           lstat(QFile::encodeName(path_.chopped(1)).constData(), &named) == 0 &&
           named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

}  // namespace pictavo
