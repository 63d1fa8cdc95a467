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

enum class PrivateFolderStatus { Ready, Created, Unsafe, Failed };

// Makes sure `path` is a private folder of the current user (mode 0700), creating it when
// missing. Unsafe when it exists but is a symbolic link, not a folder, or another user's;
// nothing is written there in that case.
PrivateFolderStatus ensurePrivateFolder(const QString& path);

}  // namespace pictavo::FileSystem
