#pragma once

#include <QString>

namespace pictavo::FileSystem {

// True when an entry exists at `path` (a symbolic link counts as itself, dangling or not);
// a folder counts only when `folders` is true.
bool PathExists(const QString& path, bool folders);

// Deletes the folder at `path` with everything in it. Symbolic links are removed as links and
// never followed; read-only entries and folders are made writable first. False when anything
// was left behind (or nothing was there); `error` then gets the error number of the first
// thing that could not be removed, and 0 on success.
bool DeleteFolderTree(const QString& path, int* error = nullptr);

// Deletes everything inside the open folder `dirFd` as DeleteFolderTree does, leaving the folder
// itself. False when anything was left behind, with `error` as DeleteFolderTree gives it.
bool ClearFolder(int dirFd, int* error = nullptr);

}  // namespace pictavo::FileSystem
