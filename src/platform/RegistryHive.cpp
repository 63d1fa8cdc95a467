#include "platform/RegistryHive.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/PictavoError.h"
#include "platform/WellKnownPaths.h"

namespace pictavo {

namespace {

// Marks a file as ours; a file with another id, or with tables and no id, is not a store.
constexpr int kApplicationId = 0x50563352;  // "PV3R"
// 2: each root has a row of its own, so that values can be stored on a root itself.
constexpr int kSchemaVersion = 2;
constexpr int kBusyTimeoutMs = 10000;

QString lowerName(const QString& name) {
    return name.toLower();
}

QStringList splitPath(const QString& subKey) {
    if (subKey.isEmpty()) {
        return {};
    }
    return subKey.split(QLatin1Char('\\'));
}

PictavoError notAStore(const QString& path, const QString& why = {}) {
    return PictavoError(
        QStringLiteral("The file %1 is not a Pictavo settings store%2. It has been left as it is.")
            .arg(path, why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
}

PictavoError damaged(const QString& path, const QString& why) {
    return PictavoError(
        QStringLiteral("The settings store %1 is damaged (%2). It has been left as it is.")
            .arg(path, why));
}

}  // namespace

RegValue RegValue::text(const QString& s, RegType type) {
    return {type, s.toUtf8()};
}

RegValue RegValue::dword(std::uint32_t v) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(v, bytes.data());
    return {RegType::Dword, bytes};
}

QString RegValue::asText() const {
    switch (type) {
        case RegType::Sz:
        case RegType::ExpandSz:
        case RegType::MultiSz:
            return QString::fromUtf8(data);
        default: {
            // Other types read as text the way a string read of raw bytes does: up to the
            // first NUL.
            const int nul = data.indexOf('\0');
            return QString::fromLatin1(nul < 0 ? data : data.left(nul));
        }
    }
}

// A cached prepared statement, reset and unbound when the scope ends.
class RegistryHive::Statement {
public:
    Statement(RegistryHive& hive, const char* sql) : hive_(hive), stmt_(hive.prepare(sql)) {
        ++hive_.traffic_.statements;
    }
    ~Statement() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, std::int64_t v) {
        check(sqlite3_bind_int64(stmt_, i, v));
        return *this;
    }
    Statement& bind(int i, const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        check(sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int i, const QByteArray& b) {
        check(sqlite3_bind_blob(stmt_, i, b.constData(), int(b.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is available.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            hive_.fail(QStringLiteral("cannot be read or written"));
        }
        return false;
    }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
    QString text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, col));
    }
    QByteArray blob(int col) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, col));
        return QByteArray(p, sqlite3_column_bytes(stmt_, col));
    }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) {
            hive_.fail(QStringLiteral("cannot be used"));
        }
    }
    RegistryHive& hive_;
    sqlite3_stmt* stmt_;
};

// BEGIN IMMEDIATE on construction; rolled back unless commit() was reached.
class RegistryHive::Transaction {
public:
    explicit Transaction(RegistryHive& hive) : hive_(hive) {
        if (hive_.readOnly_) {
            hive_.lastFailure_ = SQLITE_READONLY;
            hive_.throwFor(SQLITE_READONLY, {}, {});
        }
        hive_.exec("BEGIN IMMEDIATE");
        ++hive_.traffic_.transactions;
    }
    ~Transaction() {
        if (!done_) {
            sqlite3_exec(hive_.db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        hive_.exec("COMMIT");
        done_ = true;
    }

private:
    RegistryHive& hive_;
    bool done_ = false;
};

void RegistryHive::CloseConnection::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

void RegistryHive::FinalizeStatement::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}

template <typename Step>
auto RegistryHive::whenFree(Step step) {
    // Two processes opening a store that does not exist yet meet in the set-up: switching a new
    // file to WAL takes a lock that the busy handler does not wait for. Looking at the file and
    // setting it up change nothing when they fail, so they are tried again until they pass or
    // the usual busy budget runs out.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (int attempt = 1;; ++attempt) {
        lastFailure_ = SQLITE_OK;
        try {
            return step();
        } catch (const PictavoError&) {
            const int primary = lastFailure_ & 0xff;
            const bool busy = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
            if (!busy || Clock::now() >= deadline) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(2 * attempt, 50)));
    }
}

RegistryHive::RegistryHive(const QString& path) : path_(path) {
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
        db_ = openConnection(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        whenFree([this] { initialiseSchema(); });
        return;
    }
    // A file that is there already may be anybody's: it is looked at through a connection that
    // cannot write, so that refusing it changes nothing, not even a write-ahead log of its own
    // program that a writing connection would take into the file when it closes.
    ConnectionHandle reader;
    bool unwritable = false;
    const Mark mark = whenFree([&] {
        reader = openReader(unwritable);
        return readMark(reader.get());
    });
    if (mark.foreign) {
        throw notAStore(path_);
    }
    if (unwritable) {
        // What could not be read with a log cannot be written either.
        db_ = std::move(reader);
        readOnly_ = true;
        return;
    }
    try {
        // A write of ours cut short (a start killed while it made the store, say) is rolled
        // back by this connection's first read; without it, the store would stay read-only.
        db_ = openConnection(SQLITE_OPEN_READWRITE);
        whenFree([this] { initialiseSchema(); });
        readOnly_ = sqlite3_db_readonly(db_.get(), "main") == 1;
    } catch (const PictavoError&) {
        // A store in a folder or a file we may not write is still read.
        const int primary = lastFailure_ & 0xff;
        if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN && primary != SQLITE_PERM) {
            throw;
        }
        statements_.clear();
        db_ = std::move(reader);
        readOnly_ = true;
    }
}

RegistryHive::ConnectionHandle RegistryHive::openConnection(int flags, bool immutable) {
    // An immutable file is read without the locks and the write-ahead log that need a folder
    // we may write; the name is then a URI, with its special characters escaped.
    QByteArray name = QFile::encodeName(path_);
    if (immutable) {
        name = "file:" + name.toPercentEncoding("/") + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    ConnectionHandle handle(db);  // closed by the handle whether or not the open succeeded
    if (rc != SQLITE_OK) {
        lastFailure_ = rc;
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        throw PictavoError(
            QStringLiteral("The settings store %1 cannot be opened: %2").arg(path_, why));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return handle;
}

RegistryHive::ConnectionHandle RegistryHive::openReader(bool& unwritable) {
    ConnectionHandle reader = openConnection(SQLITE_OPEN_READONLY);
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
    return openConnection(SQLITE_OPEN_READONLY, true);
}

RegistryHive::Mark RegistryHive::readMark(sqlite3* db) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db,
                                      "SELECT (SELECT application_id FROM pragma_application_id),"
                                      " (SELECT count(*) FROM sqlite_schema),"
                                      " (SELECT user_version FROM pragma_user_version)",
                                      -1, &raw, nullptr);
    const StatementHandle s(raw);
    const int step = rc == SQLITE_OK ? sqlite3_step(s.get()) : rc;
    if (step == SQLITE_ROW) {
        const int appId = sqlite3_column_int(s.get(), 0);
        const int tables = sqlite3_column_int(s.get(), 1);
        const bool ours = appId == kApplicationId;
        return {!ours && (appId != 0 || tables != 0), ours ? sqlite3_column_int(s.get(), 2) : 0};
    }
    lastFailure_ = sqlite3_extended_errcode(db);
    const QString why = QString::fromUtf8(sqlite3_errstr(step));
    const int primary = step & 0xff;
    if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB) {
        throw PictavoError(
            QStringLiteral("The settings store %1 cannot be opened: %2").arg(path_, why));
    }
    throw carriesOurMark(path_) ? damaged(path_, why) : notAStore(path_, why);
}

bool RegistryHive::carriesOurMark(const QString& path) {
    // The database header: a fixed text, and the application id at offset 68, big-endian.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = f.read(72);
    return header.size() == 72 && header.startsWith(QByteArray("SQLite format 3", 16)) &&
           qFromBigEndian<std::int32_t>(header.constData() + 68) == kApplicationId;
}

RegistryHive::~RegistryHive() = default;

QString RegistryHive::defaultPath() {
    return WellKnownPaths::configHome() + QStringLiteral("/pictavo/registry.db");
}

bool RegistryHive::isRoot(std::uint32_t root) {
    switch (root) {
        case RootKey::ClassesRoot:
        case RootKey::CurrentUser:
        case RootKey::LocalMachine:
        case RootKey::Users:
        case RootKey::PerformanceData:
        case RootKey::CurrentConfig:
        case RootKey::DynData:
            return true;
        default:
            return false;
    }
}

void RegistryHive::setBusyTimeout(std::chrono::milliseconds timeout) {
    sqlite3_busy_timeout(db_.get(), static_cast<int>(timeout.count()));
}

void RegistryHive::fail(const QString& what) {
    lastFailure_ = sqlite3_extended_errcode(db_.get());
    throwFor(lastFailure_, what, QString::fromUtf8(sqlite3_errmsg(db_.get())));
}

void RegistryHive::throwFor(int code, const QString& what, const QString& why) const {
    switch (code & 0xff) {
        case SQLITE_READONLY:
            throw PictavoError(
                QStringLiteral("The settings store %1 is read-only: it can be read, not changed.")
                    .arg(path_));
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            throw damaged(path_, why);
        default:
            throw PictavoError(
                QStringLiteral("The settings store %1 %2: %3").arg(path_, what, why));
    }
}

void RegistryHive::exec(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("cannot be used"));
    }
}

sqlite3_stmt* RegistryHive::prepare(const char* sql) {
    for (auto& [text, stmt] : statements_) {
        if (text == sql) {
            return stmt.get();
        }
    }
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db_.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    StatementHandle stmt(raw);
    if (rc != SQLITE_OK) {
        fail(QStringLiteral("cannot be used"));
    }
    return statements_.emplace_back(sql, std::move(stmt)).second.get();
}

void RegistryHive::initialiseSchema() {
    // Looked at again through this connection: the file may have been made meanwhile by
    // another program.
    const Mark mark = readMark(db_.get());
    if (mark.foreign) {
        throw notAStore(path_);
    }
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    exec("PRAGMA foreign_keys=ON");
    if (mark.version >= kSchemaVersion) {
        return;
    }
    // A new store, one whose making was cut short, or one of an earlier version.
    Transaction tx(*this);
    exec(
        "CREATE TABLE IF NOT EXISTS keys("
        " id INTEGER PRIMARY KEY,"
        " parent INTEGER NOT NULL,"
        " name TEXT NOT NULL,"
        " lname TEXT NOT NULL,"
        " UNIQUE(parent, lname))");
    exec(
        "CREATE TABLE IF NOT EXISTS vals("
        " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
        " name TEXT NOT NULL,"
        " lname TEXT NOT NULL,"
        " type INTEGER NOT NULL,"
        " data BLOB NOT NULL,"
        " seq INTEGER PRIMARY KEY,"
        " UNIQUE(key, lname))");
    // Each root is a row whose id is its handle value and whose parent is that value negated:
    // no key lookup ever reaches it, and new keys are numbered above all of them.
    for (const std::uint32_t root :
         {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
          RootKey::PerformanceData, RootKey::CurrentConfig, RootKey::DynData}) {
        Statement ins(
            *this, "INSERT OR IGNORE INTO keys(id, parent, name, lname) VALUES(?1, -?1, '', '')");
        ins.bind(1, std::int64_t(root));
        ins.step();
    }
    exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId).toUtf8().constData());
    exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion).toUtf8().constData());
    tx.commit();
}

std::optional<std::int64_t> RegistryHive::findKey(std::uint32_t root, const QString& subKey) {
    if (!isRoot(root)) {
        return std::nullopt;
    }
    std::int64_t id = root;
    for (const QString& part : splitPath(subKey)) {
        Statement s(*this, "SELECT id FROM keys WHERE parent=?1 AND lname=?2");
        s.bind(1, id).bind(2, lowerName(part));
        if (!s.step()) {
            return std::nullopt;
        }
        id = s.integer(0);
    }
    return id;
}

std::optional<std::int64_t> RegistryHive::findKeyToRead(std::uint32_t root, const QString& subKey) {
    if (cacheDepth_ == 0) {
        return findKey(root, subKey);
    }
    const QString key = cacheKey(root, subKey, QString());
    if (const auto known = keyIds_.constFind(key); known != keyIds_.constEnd()) {
        return *known;
    }
    const auto id = findKey(root, subKey);
    if (id) {
        keyIds_.insert(key, *id);
    }
    return id;
}

bool RegistryHive::keyExists(std::uint32_t root, const QString& subKey) {
    ++traffic_.reads;
    return findKey(root, subKey).has_value();
}

bool RegistryHive::createKey(std::uint32_t root, const QString& subKey) {
    ++traffic_.writes;
    if (!isRoot(root)) {
        return false;
    }
    const QStringList parts = splitPath(subKey);
    for (const QString& part : parts) {
        if (part.isEmpty()) {
            return false;
        }
    }
    Transaction tx(*this);
    std::int64_t id = root;
    for (const QString& part : parts) {
        std::optional<std::int64_t> child;
        {
            Statement s(*this, "SELECT id FROM keys WHERE parent=?1 AND lname=?2");
            s.bind(1, id).bind(2, lowerName(part));
            if (s.step()) {
                child = s.integer(0);
            }
        }
        if (!child) {
            Statement ins(*this, "INSERT INTO keys(parent, name, lname) VALUES(?1, ?2, ?3)");
            ins.bind(1, id).bind(2, part).bind(3, lowerName(part));
            ins.step();
            child = sqlite3_last_insert_rowid(db_.get());
        }
        id = *child;
    }
    tx.commit();
    return true;
}

long RegistryHive::deleteKey(std::uint32_t root, const QString& subKey) {
    ++traffic_.writes;
    return removeKey(root, subKey, false);
}

long RegistryHive::deleteTree(std::uint32_t root, const QString& subKey) {
    ++traffic_.writes;
    return removeKey(root, subKey, true);
}

long RegistryHive::removeKey(std::uint32_t root, const QString& subKey, bool withSubKeys) {
    // Values of the key and of its sub-keys go with it.
    cache_.clear();
    keyIds_.clear();
    if (subKey.isEmpty()) {
        return isRoot(root) ? RegResult::AccessDenied : RegResult::FileNotFound;
    }
    Transaction tx(*this);
    const auto id = findKey(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    if (!withSubKeys) {
        Statement s(*this, "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1");
        s.bind(1, *id);
        if (s.step()) {
            return RegResult::AccessDenied;
        }
    }
    // Values go with their keys (ON DELETE CASCADE).
    Statement del(*this,
                  "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                  " SELECT k.id FROM keys k JOIN tree t ON k.parent=t.id)"
                  " DELETE FROM keys WHERE id IN tree");
    del.bind(1, *id);
    del.step();
    tx.commit();
    return RegResult::Success;
}

RegistryHive::ReadCache::ReadCache(RegistryHive& hive) : hive_(hive) {
    ++hive_.cacheDepth_;
}

RegistryHive::ReadCache::~ReadCache() {
    if (--hive_.cacheDepth_ == 0) {
        hive_.cache_.clear();
        hive_.keyIds_.clear();
    }
}

QString RegistryHive::cacheKey(std::uint32_t root, const QString& subKey, const QString& name) {
    return QString::number(root) + QLatin1Char('|') + lowerName(subKey) + QLatin1Char('|') +
           lowerName(name);
}

void RegistryHive::remember(std::uint32_t root, const QString& subKey, const QString& name,
                            std::optional<RegValue> value) {
    if (cacheDepth_ > 0) {
        cache_.insert(cacheKey(root, subKey, name), std::move(value));
    }
}

std::optional<RegValue> RegistryHive::queryValue(std::uint32_t root, const QString& subKey,
                                                 const QString& name) {
    if (cacheDepth_ > 0) {
        const auto known = cache_.constFind(cacheKey(root, subKey, name));
        if (known != cache_.constEnd()) {
            return *known;
        }
    }
    ++traffic_.reads;
    std::optional<RegValue> value;
    if (const auto id = findKeyToRead(root, subKey)) {
        Statement s(*this, "SELECT type, data FROM vals WHERE key=?1 AND lname=?2");
        s.bind(1, *id).bind(2, lowerName(name));
        if (s.step()) {
            value = RegValue{static_cast<RegType>(s.integer(0)), s.blob(1)};
        }
    }
    remember(root, subKey, name, value);
    return value;
}

long RegistryHive::setValue(std::uint32_t root, const QString& subKey, const QString& name,
                            const RegValue& value) {
    ++traffic_.writes;
    Transaction tx(*this);
    const auto id = findKey(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    // An existing value keeps its place in the enumeration order and its spelling.
    Statement up(*this,
                 "INSERT INTO vals(key, name, lname, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                 " ON CONFLICT(key, lname) DO UPDATE SET type=excluded.type,"
                 " data=excluded.data");
    up.bind(1, *id).bind(2, name).bind(3, lowerName(name));
    up.bind(4, static_cast<std::int64_t>(value.type)).bind(5, value.data);
    up.step();
    tx.commit();
    remember(root, subKey, name, value);
    return RegResult::Success;
}

long RegistryHive::deleteValue(std::uint32_t root, const QString& subKey, const QString& name) {
    ++traffic_.writes;
    Transaction tx(*this);
    const auto id = findKey(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    Statement del(*this, "DELETE FROM vals WHERE key=?1 AND lname=?2");
    del.bind(1, *id).bind(2, lowerName(name));
    del.step();
    const bool removed = sqlite3_changes(db_.get()) > 0;
    tx.commit();
    remember(root, subKey, name, std::nullopt);
    return removed ? RegResult::Success : RegResult::FileNotFound;
}

std::optional<QStringList> RegistryHive::subKeys(std::uint32_t root, const QString& subKey) {
    ++traffic_.reads;
    const auto id = findKey(root, subKey);
    if (!id) {
        return std::nullopt;
    }
    QStringList names;
    Statement s(*this, "SELECT name FROM keys WHERE parent=?1 ORDER BY lname");
    s.bind(1, *id);
    while (s.step()) {
        names << s.text(0);
    }
    return names;
}

std::optional<std::vector<NamedRegValue>> RegistryHive::values(std::uint32_t root,
                                                               const QString& subKey) {
    ++traffic_.reads;
    const auto id = findKey(root, subKey);
    if (!id) {
        return std::nullopt;
    }
    std::vector<NamedRegValue> out;
    Statement s(*this, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq");
    s.bind(1, *id);
    while (s.step()) {
        out.push_back({s.text(0), RegValue{static_cast<RegType>(s.integer(1)), s.blob(2)}});
    }
    return out;
}

std::optional<QString> RegistryHive::canonicalPath(std::uint32_t root, const QString& subKey) {
    ++traffic_.reads;
    if (!isRoot(root)) {
        return std::nullopt;
    }
    std::int64_t id = root;
    QStringList spelled;
    for (const QString& part : splitPath(subKey)) {
        Statement s(*this, "SELECT id, name FROM keys WHERE parent=?1 AND lname=?2");
        s.bind(1, id).bind(2, lowerName(part));
        if (!s.step()) {
            return std::nullopt;
        }
        id = s.integer(0);
        spelled << s.text(1);
    }
    return spelled.join(QLatin1Char('\\'));
}

std::optional<std::vector<RegistryHive::TreeKey>> RegistryHive::tree(std::uint32_t root,
                                                                     const QString& subKey) {
    ++traffic_.reads;
    // One snapshot for the three reads, so that a writer meanwhile cannot tear the listing.
    exec("BEGIN");
    struct EndRead {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{db_.get()};
    const auto top = findKey(root, subKey);
    if (!top) {
        return std::nullopt;
    }
    struct Child {
        std::int64_t id;
        QString name;
    };
    // Sub-keys of every key below the top, grouped by parent, each group in subKeys() order.
    QHash<std::int64_t, std::vector<Child>> children;
    {
        Statement s(*this,
                    "WITH RECURSIVE tree(id) AS (SELECT id FROM keys WHERE parent=?1 UNION ALL"
                    " SELECT k.id FROM keys k JOIN tree t ON k.parent=t.id)"
                    " SELECT k.id, k.parent, k.name FROM keys k JOIN tree t ON k.id=t.id"
                    " ORDER BY k.parent, k.lname");
        s.bind(1, *top);
        while (s.step()) {
            children[s.integer(1)].push_back({s.integer(0), s.text(2)});
        }
    }
    QHash<std::int64_t, std::vector<NamedRegValue>> values;
    {
        Statement s(*this,
                    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                    " SELECT k.id FROM keys k JOIN tree t ON k.parent=t.id)"
                    " SELECT v.key, v.name, v.type, v.data FROM vals v JOIN tree t ON v.key=t.id"
                    " ORDER BY v.seq");
        s.bind(1, *top);
        while (s.step()) {
            values[s.integer(0)].push_back(
                {s.text(1), RegValue{static_cast<RegType>(s.integer(2)), s.blob(3)}});
        }
    }
    QString topName;
    if (!subKey.isEmpty()) {
        Statement s(*this, "SELECT name FROM keys WHERE id=?1");
        s.bind(1, *top);
        topName = s.step() ? s.text(0) : QString();
    }
    // Depth first without recursion: a chain of keys may be deeper than the stack allows.
    std::vector<TreeKey> out;
    std::vector<std::pair<std::int64_t, TreeKey>> pending;
    pending.push_back({*top, {0, topName, {}}});
    while (!pending.empty()) {
        auto [id, key] = std::move(pending.back());
        pending.pop_back();
        key.values = values.take(id);
        const auto below = children.constFind(id);
        if (below != children.constEnd()) {
            for (auto child = below->rbegin(); child != below->rend(); ++child) {
                pending.push_back({child->id, {key.depth + 1, child->name, {}}});
            }
        }
        out.push_back(std::move(key));
    }
    return out;
}

}  // namespace pictavo
