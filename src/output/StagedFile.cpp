#include "output/StagedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/UniqueFd.h"

namespace pictavo {

namespace {

// Leaves room in a 255-byte name for the leading dot and the staging suffix
// (".pictavo-<process number>-XXXXXX").
constexpr qsizetype kMaxStemBytes = 200;
constexpr int kCreateAttempts = 100;

}  // namespace

StagedFile::StagedFile(const SaveTarget& target)
    : folderFd_(target.folderFd), target_(target.name), reservation_(target.reservation) {
    // No name, or a name that can only be a folder: nothing to stage.
    if (target_.isEmpty() || target_.endsWith('/')) {
        error_ = target_.isEmpty() ? ENOENT : EISDIR;
        return;
    }
    const qsizetype slash = target_.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target_.left(slash + 1) : QByteArray();
    const QByteArray stem = target_.mid(slash + 1).left(kMaxStemBytes);
    // Inside an open folder, the writer reaches the file through the folder's descriptor.
    const QByteArray prefix = folderFd_ == AT_FDCWD
                                  ? QByteArray()
                                  : "/proc/self/fd/" + QByteArray::number(folderFd_) + '/';
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QByteArray candidate = folder + FileSystem::StagingName(stem);
        // O_EXCL: never reuse or follow anything already there. Mode 0666 lets the umask (and
        // any default ACL of the folder) decide, as for any newly created file.
        UniqueFd file(::openat(folderFd_, candidate.constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.isOpen()) {
            stagingName_ = candidate;
            temporaryPath_ = prefix + candidate;
            return;
        }
        error_ = errno;
        if (error_ != EEXIST) {
            return;
        }
    }
}

StagedFile::~StagedFile() {
    discard();
}

bool StagedFile::write(const QByteArray& bytes) {
    if (!isOpen()) {
        return false;
    }
    UniqueFd file(::openat(folderFd_, stagingName_.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!file.isOpen()) {
        error_ = errno;
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(file.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return false;
        }
        done += n;
    }
    if (file.close() != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool StagedFile::commit() {
    if (!isOpen()) {
        return false;
    }
    // A reserved name that holds something else now is not ours to replace.
    if (reservation_ && identityAt(folderFd_, target_) != reservation_) {
        error_ = EEXIST;
        discard();
        return false;
    }
    struct stat existing {};
    if (::fstatat(folderFd_, target_.constData(), &existing, 0) == 0 && S_ISREG(existing.st_mode)) {
        // Not fatal: the new file then keeps the mode of a newly created one.
        if (::fchmodat(folderFd_, stagingName_.constData(), existing.st_mode & 0777, 0) != 0) {
            error_ = errno;
        }
    }
    if (::renameat(folderFd_, stagingName_.constData(), folderFd_, target_.constData()) != 0) {
        error_ = errno;
        discard();
        return false;
    }
    stagingName_.clear();
    temporaryPath_.clear();
    return true;
}

void StagedFile::discard() {
    if (isOpen()) {
        ::unlinkat(folderFd_, stagingName_.constData(), 0);
        stagingName_.clear();
        temporaryPath_.clear();
    }
}

}  // namespace pictavo
