#pragma once

namespace pictavo {

class HiveConnection;

// Opening the file of a settings store, and judging it before anything is written to it.
namespace HiveFile {

// How long a statement waits for another connection's transaction before it fails, unless set.
constexpr int kBusyTimeoutMs = 10000;

// Opens (creating when missing, with its folder) the store at `hive.path()` into `hive`. An
// existing file is read, and left unchanged, until it is known to be a store; one that we may
// not write is opened for reading only. Throws PictavoError naming the file when it cannot be
// opened, is not a store (another program's) or is damaged.
void open(HiveConnection& hive);

}  // namespace HiveFile

}  // namespace pictavo
