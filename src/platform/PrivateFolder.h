#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "platform/UniqueFd.h"

namespace pictavo {

// Which file an entry is, to tell later whether a name still holds the same file. The change
// time tells a new file apart from a removed one whose inode number it was given again.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    time_t changedSeconds = 0;
    long changedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A private folder of the current user (mode 0700), opened once and then reached only through
// its descriptor: a folder swapped for a link after the check is never followed. While the
// object lives, the folder is marked in use (a shared lock), so that another holder of the
// same folder, in this process or another, never removes it from under this one.
class PrivateFolder {
public:
    enum class Status { Ready, Created, Unsafe, Failed };

    // Creates the folder at `path` when missing and opens it. Unsafe when what is there is a
    // link, not a folder, or another user's: nothing is written there then. Two callers
    // creating the same folder at once both succeed. The first holder of the folder sweeps
    // out what holders killed half-way left (FileSystem::Sweep::IdleFolder).
    explicit PrivateFolder(const QString& path);
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    Status status() const { return status_; }
    // Why the folder could not be had (errno); 0 when it is open.
    int error() const { return isOpen() ? 0 : error_; }
    bool isOpen() const { return fd_.isOpen(); }
    int fd() const { return fd_.get(); }
    // The folder's path as given, ending with "/".
    const QString& path() const { return path_; }

    // True while the path still names the folder that was opened (not removed or moved, nor
    // replaced by a link or another folder).
    bool isAtPath() const;
    // Creates `name` in the folder as an empty file, only when no entry of that name exists,
    // and remembers it as this holder's own. nullopt with errno set otherwise (EEXIST: taken).
    std::optional<FileIdentity> reserve(const QByteArray& name);
    // A reserved name now holds the file written over the reservation: that file is ours.
    void replaced(const QByteArray& name);
    // Removes a name this holder reserved, if it still holds the reserved file.
    void release(const QByteArray& name);
    // Removes this holder's files; the whole folder, with everything in it, when no other
    // holder has it open. The folder is closed afterwards. 0 when the folder is gone, else why
    // it is not: EBUSY while another holder has it, or the error of what could not be removed.
    int removeOwnFiles();

private:
    bool openChecked(const QByteArray& native);

    QString path_;
    Status status_ = Status::Failed;
    // Closing it drops the lock too.
    UniqueFd fd_;
    int error_ = 0;
    QList<QPair<QByteArray, FileIdentity>> reserved_;
};

// The identity of the entry `name` in the open folder `folderFd`, links not followed.
std::optional<FileIdentity> identityAt(int folderFd, const QByteArray& name);

}  // namespace pictavo
