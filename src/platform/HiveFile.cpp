#include "platform/HiveFile.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/HiveConnection.h"
#include "platform/HiveSchema.h"
#include "platform/PictavoError.h"

namespace pictavo {

namespace {

using Handle = HiveConnection::Handle;

// What a file's header and schema say about it.
struct Mark {
    bool foreign = false;  // another program's database, never to be touched
    int version = 0;       // schema version of a store of ours; 0 for one not made yet
};

PictavoError notAStore(const QString& path, const QString& why = {}) {
    return PictavoError(
        QStringLiteral("The file %1 is not a Pictavo settings store%2. It has been left as it is.")
            .arg(path, why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
}

template <typename Step>
auto whenFree(HiveConnection& hive, Step step) {
    // Two processes opening a store that does not exist yet meet in the set-up: switching a new
    // file to WAL takes a lock that the busy handler does not wait for. Looking at the file and
    // setting it up change nothing when they fail, so they are tried again until they pass or
    // the usual busy budget runs out.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(HiveFile::kBusyTimeoutMs);
    for (int attempt = 1;; ++attempt) {
        hive.clearFailure();
        try {
            return step();
        } catch (const PictavoError&) {
            const int primary = hive.lastFailure() & 0xff;
            const bool busy = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
            if (!busy || Clock::now() >= deadline) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(2 * attempt, 50)));
    }
}

Handle openConnection(HiveConnection& hive, int flags, bool immutable = false) {
    // An immutable file is read without the locks and the write-ahead log that need a folder
    // we may write; the name is then a URI, with its special characters escaped.
    QByteArray name = QFile::encodeName(hive.path());
    if (immutable) {
        name = "file:" + name.toPercentEncoding("/") + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    Handle handle(db);  // closed by the handle whether or not the open succeeded
    if (rc != SQLITE_OK) {
        hive.noteFailure(rc);
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        throw PictavoError(
            QStringLiteral("The settings store %1 cannot be opened: %2").arg(hive.path(), why));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, HiveFile::kBusyTimeoutMs);
    return handle;
}

// A connection that cannot change the file, to look at it before it is known to be ours;
// `unwritable` tells that nobody can write the file here either.
Handle openReader(HiveConnection& hive, bool& unwritable) {
    Handle reader = openConnection(hive, SQLITE_OPEN_READONLY);
    const int rc = sqlite3_exec(reader.get(), "SELECT 1 FROM sqlite_schema LIMIT 1", nullptr,
                                nullptr, nullptr);
    const int primary = rc & 0xff;
    if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN) {
        unwritable = false;
        return reader;
    }
    // In a folder we may not write, a store whose write-ahead log is closed can only be read as
    // an immutable file: nobody can write it there either. A journal or log left by a write cut
    // short is no such sign: the file is looked at as it stands, and the writing connection
    // rolls it back or recovers it.
    unwritable = rc != SQLITE_READONLY_ROLLBACK && rc != SQLITE_READONLY_RECOVERY;
    return openConnection(hive, SQLITE_OPEN_READONLY, true);
}

// True when the file's header carries our application id, however damaged the rest is.
bool carriesOurMark(const QString& path) {
    // The database header: a fixed text, and the application id at offset 68, big-endian.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = f.read(72);
    return header.size() == 72 && header.startsWith(QByteArray("SQLite format 3", 16)) &&
           qFromBigEndian<std::int32_t>(header.constData() + 68) == HiveSchema::kApplicationId;
}

// Throws, naming the file damaged or not a store, when it cannot be read as a database.
Mark readMark(HiveConnection& hive, sqlite3* db) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db,
                                      "SELECT (SELECT application_id FROM pragma_application_id),"
                                      " (SELECT count(*) FROM sqlite_schema),"
                                      " (SELECT user_version FROM pragma_user_version)",
                                      -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> s(raw, sqlite3_finalize);
    const int step = rc == SQLITE_OK ? sqlite3_step(s.get()) : rc;
    if (step == SQLITE_ROW) {
        const int appId = sqlite3_column_int(s.get(), 0);
        const int tables = sqlite3_column_int(s.get(), 1);
        const bool ours = appId == HiveSchema::kApplicationId;
        return {!ours && (appId != 0 || tables != 0), ours ? sqlite3_column_int(s.get(), 2) : 0};
    }
    hive.noteFailure(sqlite3_extended_errcode(db));
    const QString why = QString::fromUtf8(sqlite3_errstr(step));
    const int primary = step & 0xff;
    if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB) {
        throw PictavoError(
            QStringLiteral("The settings store %1 cannot be opened: %2").arg(hive.path(), why));
    }
    throw carriesOurMark(hive.path()) ? HiveConnection::damaged(hive.path(), why)
                                      : notAStore(hive.path(), why);
}

void initialiseSchema(HiveConnection& hive) {
    // Looked at again through this connection: the file may have been made meanwhile by
    // another program.
    const Mark mark = readMark(hive, hive.db());
    if (mark.foreign) {
        throw notAStore(hive.path());
    }
    HiveSchema::bringUpToDate(hive, mark.version);
}

}  // namespace

void HiveFile::open(HiveConnection& hive) {
    const QString& path = hive.path();
    const QFileInfo info(path);
    // A FIFO in the store's place would hold the opening until somebody wrote to it (and the
    // host, deaf to stop signals, with it); a device or a folder is no store either.
    if (info.exists() && !info.isFile()) {
        throw PictavoError(
            QStringLiteral("The settings store %1 is not a file: it is not opened.").arg(path));
    }
    if (!info.exists()) {
        if (!QDir().mkpath(info.absolutePath())) {
            throw PictavoError(QStringLiteral("The settings store %1 cannot be created: its "
                                              "folder cannot be made.")
                                   .arg(path));
        }
        hive.use(openConnection(hive, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), false);
        whenFree(hive, [&hive] { initialiseSchema(hive); });
        return;
    }
    // A file that is there already may be anybody's: it is looked at through a connection that
    // cannot write, so that refusing it changes nothing, not even a write-ahead log of its own
    // program that a writing connection would take into the file when it closes.
    Handle reader;
    bool unwritable = false;
    const Mark mark = whenFree(hive, [&] {
        reader = openReader(hive, unwritable);
        return readMark(hive, reader.get());
    });
    if (mark.foreign) {
        throw notAStore(path);
    }
    if (unwritable) {
        // What could not be read with a log cannot be written either.
        hive.use(std::move(reader), true);
        return;
    }
    try {
        // A write of ours cut short (a start killed while it made the store, say) is rolled
        // back by this connection's first read; without it, the store would stay read-only.
        hive.use(openConnection(hive, SQLITE_OPEN_READWRITE), false);
        whenFree(hive, [&hive] { initialiseSchema(hive); });
        hive.setReadOnly(sqlite3_db_readonly(hive.db(), "main") == 1);
    } catch (const PictavoError&) {
        // A store in a folder or a file we may not write is still read.
        const int primary = hive.lastFailure() & 0xff;
        if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN && primary != SQLITE_PERM) {
            throw;
        }
        hive.use(std::move(reader), true);
    }
}

}  // namespace pictavo
