#pragma once

#include <fcntl.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

#include "platform/PrivateFolder.h"

namespace pictavo {

// Where a file is to be written: a path, staged beside it and renamed over whatever is there;
// or a name in an open folder, reserved there beforehand, that the file replaces only while the
// name still holds the reservation.
struct SaveTarget {
    // Implicit: every path is a target.
    SaveTarget(const QString& filePath)
        : name(QFile::encodeName(filePath)), path(filePath) {}  // NOLINT
    SaveTarget(int folder, QByteArray fileName, FileIdentity reserved, QString filePath)
        : folderFd(folder),
          name(std::move(fileName)),
          path(std::move(filePath)),
          reservation(reserved) {}

    int folderFd = AT_FDCWD;
    QByteArray name;
    // The path the user is told of.
    QString path;
    std::optional<FileIdentity> reservation;
};

// A file that is written under a hidden temporary name in its target's folder
// (FileSystem::StagingName: ".<name>.pictavo-<pid>-XXXXXX") and renamed over the target only by
// commit(). Until then the target is untouched; a staged file that is never committed, or whose
// commit fails, is removed, so a failed write leaves neither a damaged target nor debris.
//
// The temporary file is created empty (mode 0666 less the umask) and closed again, for a
// writer that opens files by name. For a target in an open folder that name leads through the
// folder's descriptor, never through its path. When the target already exists, commit() gives
// the new file the old one's permission bits before the rename.
class StagedFile {
public:
    explicit StagedFile(const SaveTarget& target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False when the temporary file could not be created (missing or read-only folder);
    // error() then holds the reason.
    bool isOpen() const { return !stagingName_.isEmpty(); }
    // The temporary file's name in the file system's encoding; empty when not open.
    const QByteArray& temporaryPath() const { return temporaryPath_; }
    // Writes `bytes` into the temporary file (replacing what a writer put there); false, with
    // error() set, when they cannot all be written.
    bool write(const QByteArray& bytes);
    // Renames the temporary file over the target. False, with the temporary file removed and
    // the target as it was, when that cannot be done (for instance the target is a folder, or
    // a reserved name no longer holds its reservation: EEXIST).
    bool commit();
    // errno of the call that failed last; 0 when nothing failed.
    int error() const { return error_; }

private:
    void discard();

    int folderFd_;
    QByteArray target_;
    std::optional<FileIdentity> reservation_;
    QByteArray stagingName_;  // relative to folderFd_
    QByteArray temporaryPath_;
    int error_ = 0;
};

}  // namespace pictavo
