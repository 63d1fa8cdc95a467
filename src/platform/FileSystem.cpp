#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <memory>
#include <optional>

#include "platform/UniqueFd.h"

namespace pictavo::FileSystem {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// Opens a folder below `dirFd` without following a link in its place.
UniqueFd openSubFolder(int dirFd, const QByteArray& name) {
    return UniqueFd(
        openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Keeps the error of the call that has just failed, unless an earlier one is kept already;
// always false.
bool failed(int& firstError) {
    if (firstError == 0) {
        firstError = errno;
    }
    return false;
}

// The names in the open folder `dirFd`, but "." and "..". Collected first, then acted on:
// changing a folder while reading it can skip entries.
std::optional<QList<QByteArray>> entryNames(int dirFd) {
    UniqueFd copy(dup(dirFd));
    const std::unique_ptr<DIR, CloseDir> dir(copy.isOpen() ? fdopendir(copy.get()) : nullptr);
    if (!dir) {
        return std::nullopt;
    }
    copy.release();  // closed with the listing
    // The copy shares the reading position with `dirFd`, which an earlier listing left at the
    // end.
    rewinddir(dir.get());
    QList<QByteArray> names;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names << name;
        }
    }
    return names;
}

constexpr char kStagingMark[] = ".pictavo-";
constexpr qsizetype kStagingRandom = 6;

// The process number in a staging name, 0 when the name is no staging name of ours.
pid_t stagingOwner(const QByteArray& name) {
    // "." stem ".pictavo-" pid "-" XXXXXX
    const qsizetype dash = name.size() - kStagingRandom - 1;
    const qsizetype mark = name.lastIndexOf(kStagingMark, dash);
    if (!name.startsWith('.') || dash < 1 || name[dash] != '-' || mark < 1) {
        return 0;
    }
    const qsizetype digits = mark + qsizetype(sizeof kStagingMark) - 1;
    if (digits >= dash) {
        return 0;
    }
    // Digits only, as written: no sign, no spaces.
    const QByteArray number = name.mid(digits, dash - digits);
    bool ok = false;
    const long pid = number.toLong(&ok);
    return ok && pid > 0 && number == QByteArray::number(pid) ? pid_t(pid) : 0;
}

// Removes the contents of the open folder `dirFd` without following links, then nothing else.
bool clearFolder(int dirFd, int& firstError) {
    // Make the folder writable and searchable so its entries can be removed.
    fchmod(dirFd, S_IRWXU);
    const std::optional<QList<QByteArray>> names = entryNames(dirFd);
    if (!names) {
        return failed(firstError);
    }
    bool ok = true;
    for (const QByteArray& name : *names) {
        struct stat st {};
        if (fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = failed(firstError);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // A folder without read permission is opened once it has been made readable.
            UniqueFd folder = openSubFolder(dirFd, name);
            if (!folder.isOpen() && fchmodat(dirFd, name.constData(), S_IRWXU, 0) == 0) {
                folder = openSubFolder(dirFd, name);
            }
            if (!folder.isOpen()) {
                ok = failed(firstError);
                continue;
            }
            ok = clearFolder(folder.get(), firstError) && ok;
            folder.close();
            if (unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0) {
                ok = failed(firstError);
            }
        } else if (unlinkat(dirFd, name.constData(), 0) != 0) {
            ok = failed(firstError);
        }
    }
    return ok;
}

}  // namespace

bool PathExists(const QString& path, bool folders) {
    if (path.isEmpty()) {
        return false;
    }
    struct stat st {};
    if (lstat(native(path).constData(), &st) != 0) {
        return false;
    }
    return folders || !S_ISDIR(st.st_mode);
}

bool ClearFolder(int dirFd, int* error) {
    int firstError = 0;
    const bool cleared = clearFolder(dirFd, firstError);
    if (error) {
        *error = cleared ? 0 : firstError;
    }
    return cleared;
}

QByteArray StagingName(const QByteArray& stem) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(kStagingRandom, '\0');
    for (char& c : suffix) {
        c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof(kAlphabet) - 1))];
    }
    return '.' + stem + kStagingMark + QByteArray::number(getpid()) + '-' + suffix;
}

int SweepStaleFiles(int dirFd, Sweep scope) {
    const std::optional<QList<QByteArray>> names = entryNames(dirFd);
    int removed = 0;
    for (const QByteArray& name : names.value_or(QList<QByteArray>())) {
        struct stat st {};
        if (fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            continue;
        }
        const pid_t owner = stagingOwner(name);
        // kill(pid, 0) fails with ESRCH only when no process of that number runs; another
        // user's (EPERM) is running.
        const bool stale =
            owner != 0 ? scope == Sweep::IdleFolder || (kill(owner, 0) != 0 && errno == ESRCH)
                       : scope == Sweep::IdleFolder && !name.startsWith('.') && st.st_size == 0;
        if (stale && unlinkat(dirFd, name.constData(), 0) == 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace pictavo::FileSystem
