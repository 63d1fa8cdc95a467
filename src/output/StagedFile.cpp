#include "output/StagedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>

namespace pictavo {

namespace {

// Leaves room in a 255-byte name for the leading dot and the ".XXXXXX" suffix.
constexpr qsizetype kMaxStemBytes = 200;
constexpr int kCreateAttempts = 100;

QByteArray randomSuffix() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, '\0');
    for (char& c : suffix) {
        c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof(kAlphabet) - 1))];
    }
    return suffix;
}

}  // namespace

StagedFile::StagedFile(const QString& target) : target_(QFile::encodeName(target)) {
    // No name, or a name that can only be a folder: nothing to stage.
    if (target_.isEmpty() || target_.endsWith('/')) {
        error_ = target_.isEmpty() ? ENOENT : EISDIR;
        return;
    }
    const qsizetype slash = target_.lastIndexOf('/');
    const QByteArray folder = slash >= 0 ? target_.left(slash + 1) : QByteArray();
    const QByteArray stem = target_.mid(slash + 1).left(kMaxStemBytes);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QByteArray candidate = folder + '.' + stem + '.' + randomSuffix();
        // O_EXCL: never reuse or follow anything already there. Mode 0666 lets the umask (and
        // any default ACL of the folder) decide, as for any newly created file.
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            temporaryPath_ = candidate;
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
    const int fd = ::open(temporaryPath_.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            ::close(fd);
            return false;
        }
        done += n;
    }
    if (::close(fd) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool StagedFile::commit() {
    if (!isOpen()) {
        return false;
    }
    struct stat existing {};
    if (::stat(target_.constData(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        // Not fatal: the new file then keeps the mode of a newly created one.
        if (::chmod(temporaryPath_.constData(), existing.st_mode & 0777) != 0) {
            error_ = errno;
        }
    }
    if (::rename(temporaryPath_.constData(), target_.constData()) != 0) {
        error_ = errno;
        discard();
        return false;
    }
    temporaryPath_.clear();
    return true;
}

void StagedFile::discard() {
    if (isOpen()) {
        ::unlink(temporaryPath_.constData());
        temporaryPath_.clear();
    }
}

}  // namespace pictavo
