#pragma once

#include <QByteArray>
#include <QString>

namespace pictavo::FileSystem {

// True when an entry exists at `path` (a symbolic link counts as itself, dangling or not);
// a folder counts only when `folders` is true.
bool PathExists(const QString& path, bool folders);

// Deletes everything inside the open folder `dirFd`, leaving the folder itself. Symbolic links
// are removed as links and never followed; read-only entries and folders are made writable
// first. False when anything was left behind; `error` then gets the error number of the first
// thing that could not be removed, and 0 on success.
bool ClearFolder(int dirFd, int* error = nullptr);

// A hidden name to stage a file under beside the one it is to replace: "." + `stem` +
// ".pictavo-" + this process's number + "-" + six random letters or digits. The number tells
// whether the writer still runs; the mark keeps other programs' hidden files out of a sweep.
QByteArray StagingName(const QByteArray& stem);

enum class Sweep {
    // Staging files whose writing process has ended; for a folder others may be writing in.
    EndedWriters,
    // A folder that no running writer holds: every staging file of ours, and every empty
    // visible file (a name reserved and never written).
    IdleFolder,
};
// Removes what writers killed half-way left in the open folder `dirFd`: regular files only,
// never links or folders. Returns how many files went.
int SweepStaleFiles(int dirFd, Sweep scope);

}  // namespace pictavo::FileSystem
