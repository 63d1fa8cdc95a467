#include "platform/HiveConnection.h"

#include <sqlite3.h>

namespace pictavo {

namespace {

QStringList splitPath(const QString& subKey) {
    if (subKey.isEmpty()) {
        return {};
    }
    return subKey.split(QLatin1Char('\\'));
}

}  // namespace

void HiveConnection::CloseConnection::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

void HiveConnection::FinalizeStatement::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}

HiveConnection::HiveConnection(QString path) : path_(std::move(path)) {}

HiveConnection::~HiveConnection() {
    // The statements go before the connection they were prepared on.
    statements_.clear();
}

void HiveConnection::use(Handle db, bool readOnly) {
    statements_.clear();
    db_ = std::move(db);
    readOnly_ = readOnly;
}

void HiveConnection::clearFailure() {
    lastFailure_ = SQLITE_OK;
}

PictavoError HiveConnection::damaged(const QString& path, const QString& why) {
    return PictavoError(
        QStringLiteral("The settings store %1 is damaged (%2). It has been left as it is.")
            .arg(path, why));
}

void HiveConnection::fail(const QString& what) {
    lastFailure_ = sqlite3_extended_errcode(db_.get());
    throwFor(lastFailure_, what, QString::fromUtf8(sqlite3_errmsg(db_.get())));
}

void HiveConnection::throwFor(int code, const QString& what, const QString& why) const {
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

void HiveConnection::exec(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("cannot be used"));
    }
}

sqlite3_stmt* HiveConnection::prepare(const char* sql) {
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

HiveConnection::Statement::Statement(HiveConnection& hive, const char* sql)
    : hive_(hive), stmt_(hive.prepare(sql)) {
    ++hive_.traffic.statements;
}

HiveConnection::Statement::~Statement() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

HiveConnection::Statement& HiveConnection::Statement::bind(int i, std::int64_t v) {
    check(sqlite3_bind_int64(stmt_, i, v));
    return *this;
}

HiveConnection::Statement& HiveConnection::Statement::bind(int i, const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    check(sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    return *this;
}

HiveConnection::Statement& HiveConnection::Statement::bind(int i, const QByteArray& b) {
    check(sqlite3_bind_blob(stmt_, i, b.constData(), int(b.size()), SQLITE_TRANSIENT));
    return *this;
}

bool HiveConnection::Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        hive_.fail(QStringLiteral("cannot be read or written"));
    }
    return false;
}

std::int64_t HiveConnection::Statement::integer(int col) const {
    return sqlite3_column_int64(stmt_, col);
}

QString HiveConnection::Statement::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, col));
}

QByteArray HiveConnection::Statement::blob(int col) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, col));
    return QByteArray(p, sqlite3_column_bytes(stmt_, col));
}

void HiveConnection::Statement::check(int rc) {
    if (rc != SQLITE_OK) {
        hive_.fail(QStringLiteral("cannot be used"));
    }
}

HiveConnection::Transaction::Transaction(HiveConnection& hive) : hive_(hive) {
    if (hive_.readOnly_) {
        hive_.lastFailure_ = SQLITE_READONLY;
        hive_.throwFor(SQLITE_READONLY, {}, {});
    }
    hive_.exec("BEGIN IMMEDIATE");
    ++hive_.traffic.transactions;
}

HiveConnection::Transaction::~Transaction() {
    if (!done_) {
        sqlite3_exec(hive_.db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void HiveConnection::Transaction::commit() {
    hive_.exec("COMMIT");
    done_ = true;
}

bool HiveConnection::isRoot(std::uint32_t root) {
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

std::optional<std::int64_t> HiveConnection::walk(std::uint32_t root, const QString& subKey,
                                                 bool create, QStringList* spelled) {
    if (!isRoot(root)) {
        return std::nullopt;
    }
    std::int64_t id = root;
    for (const QString& part : splitPath(subKey)) {
        std::optional<std::int64_t> child;
        {
            Statement s(*this, "SELECT id, name FROM keys WHERE parent=?1 AND lname=?2");
            s.bind(1, id).bind(2, comparedName(part));
            if (s.step()) {
                child = s.integer(0);
                if (spelled) {
                    *spelled << s.text(1);
                }
            }
        }
        if (!child && create) {
            Statement ins(*this, "INSERT INTO keys(parent, name, lname) VALUES(?1, ?2, ?3)");
            ins.bind(1, id).bind(2, part).bind(3, comparedName(part));
            ins.step();
            child = sqlite3_last_insert_rowid(db_.get());
            if (spelled) {
                *spelled << part;
            }
        }
        if (!child) {
            return std::nullopt;
        }
        id = *child;
    }
    return id;
}

std::optional<std::int64_t> HiveConnection::findKeyToRead(std::uint32_t root,
                                                          const QString& subKey) {
    if (cacheDepth_ == 0) {
        return walk(root, subKey);
    }
    const QString key = cacheKey(root, subKey, QString());
    if (const auto known = keyIds_.constFind(key); known != keyIds_.constEnd()) {
        return *known;
    }
    const auto id = walk(root, subKey);
    if (id) {
        keyIds_.insert(key, *id);
    }
    return id;
}

void HiveConnection::closeCache() {
    if (--cacheDepth_ == 0) {
        forget();
    }
}

void HiveConnection::forget() {
    cache_.clear();
    keyIds_.clear();
}

QString HiveConnection::cacheKey(std::uint32_t root, const QString& subKey, const QString& name) {
    return QString::number(root) + QLatin1Char('|') + comparedName(subKey) + QLatin1Char('|') +
           comparedName(name);
}

std::optional<std::optional<RegValue>> HiveConnection::cached(std::uint32_t root,
                                                              const QString& subKey,
                                                              const QString& name) const {
    if (cacheDepth_ > 0) {
        const auto known = cache_.constFind(cacheKey(root, subKey, name));
        if (known != cache_.constEnd()) {
            return *known;
        }
    }
    return std::nullopt;
}

void HiveConnection::remember(std::uint32_t root, const QString& subKey, const QString& name,
                              const std::optional<RegValue>& value) {
    if (cacheDepth_ > 0) {
        cache_.insert(cacheKey(root, subKey, name), value);
    }
}

}  // namespace pictavo
