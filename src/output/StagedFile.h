#pragma once

#include <QByteArray>
#include <QString>

namespace pictavo {

// A file that is written under a hidden temporary name in its target's folder
// (".<name>.XXXXXX") and renamed over the target only by commit(). Until then the target is
// untouched; a staged file that is never committed, or whose commit fails, is removed, so a
// failed write leaves neither a damaged target nor debris.
//
// The temporary file is created empty (mode 0666 less the umask) and closed again, for a
// writer that opens files by name. When the target already exists, commit() gives the new
// file the old one's permission bits before the rename.
class StagedFile {
public:
    explicit StagedFile(const QString& target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False when the temporary file could not be created (missing or read-only folder);
    // error() then holds the reason.
    bool isOpen() const { return !temporaryPath_.isEmpty(); }
    // The temporary file's name in the file system's encoding; empty when not open.
    const QByteArray& temporaryPath() const { return temporaryPath_; }
    // Writes `bytes` into the temporary file (replacing what a writer put there); false, with
    // error() set, when they cannot all be written.
    bool write(const QByteArray& bytes);
    // Renames the temporary file over the target. False, with the temporary file removed and
    // the target as it was, when that cannot be done (for instance the target is a folder).
    bool commit();
    // errno of the call that failed last; 0 when nothing failed.
    int error() const { return error_; }

private:
    void discard();

    QByteArray target_;
    QByteArray temporaryPath_;
    int error_ = 0;
};

}  // namespace pictavo
