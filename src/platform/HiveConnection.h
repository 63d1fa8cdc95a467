#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/PictavoError.h"
#include "platform/RegistryTypes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace pictavo {

// What was asked of a store through one RegistryHive: calls that read (values, keys, listings)
// and that write, the write transactions, and the SQL statements run for them.
struct HiveTraffic {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
    std::uint64_t transactions = 0;
    std::uint64_t statements = 0;
};

// The connection a RegistryHive works through once its file has been opened and judged: the
// prepared statements, kept for the connection's life, the write transactions, the errors that
// name the file, and the caches of a ReadCache scope (values and key ids).
class HiveConnection {
public:
    struct CloseConnection {
        void operator()(sqlite3* db) const;
    };
    using Handle = std::unique_ptr<sqlite3, CloseConnection>;

    explicit HiveConnection(QString path);
    ~HiveConnection();
    HiveConnection(const HiveConnection&) = delete;
    HiveConnection& operator=(const HiveConnection&) = delete;

    const QString& path() const { return path_; }
    sqlite3* db() const { return db_.get(); }
    // Works through `db` from now on, forgetting the statements prepared on the one before;
    // with `readOnly`, every change throws, calling the store read-only.
    void use(Handle db, bool readOnly);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // SQLite's code for the last failure thrown (SQLITE_OK after clearFailure()).
    int lastFailure() const { return lastFailure_; }
    void clearFailure();
    void noteFailure(int code) { lastFailure_ = code; }
    // Throws the error for SQLite's last failure on this connection.
    [[noreturn]] void fail(const QString& what);
    // Throws the error for `code`: read-only, damaged, or that the store `what`: `why`.
    [[noreturn]] void throwFor(int code, const QString& what, const QString& why) const;
    static PictavoError damaged(const QString& path, const QString& why);

    // A prepared statement of the connection, kept for its life; reset and unbound when the
    // scope ends. Every failure throws.
    class Statement {
    public:
        Statement(HiveConnection& hive, const char* sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        Statement& bind(int i, std::int64_t v);
        Statement& bind(int i, const QString& s);
        Statement& bind(int i, const QByteArray& b);
        // True while a row is available.
        bool step();
        std::int64_t integer(int col) const;
        QString text(int col) const;
        QByteArray blob(int col) const;

    private:
        void check(int rc);
        HiveConnection& hive_;
        sqlite3_stmt* stmt_;
    };

    // BEGIN IMMEDIATE on construction (a read-only store throws); rolled back unless commit()
    // was reached.
    class Transaction {
    public:
        explicit Transaction(HiveConnection& hive);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        HiveConnection& hive_;
        bool done_ = false;
    };

    void exec(const char* sql);

    static bool isRoot(std::uint32_t root);
    // The id of the key `subKey` under `root`, walking its path one name at a time; with
    // `create` (in a write transaction), missing keys on the way are made. `spelled` receives
    // the stored spelling of each name walked. std::nullopt for an unknown root or a missing key.
    std::optional<std::int64_t> walk(std::uint32_t root, const QString& subKey, bool create = false,
                                     QStringList* spelled = nullptr);
    // walk, from memory while a cache scope is open: for reads only, as a key another process
    // removed meanwhile reads as missing but could not be written.
    std::optional<std::int64_t> findKeyToRead(std::uint32_t root, const QString& subKey);

    // The caches of nested ReadCache scopes; they are emptied when the outermost one ends.
    void openCache() { ++cacheDepth_; }
    void closeCache();
    // A value known from this scope: std::nullopt when unknown, an empty value when known to be
    // missing.
    std::optional<std::optional<RegValue>> cached(std::uint32_t root, const QString& subKey,
                                                  const QString& name) const;
    void remember(std::uint32_t root, const QString& subKey, const QString& name,
                  const std::optional<RegValue>& value);
    // Keys have changed: nothing known is trusted any more.
    void forget();

    HiveTraffic traffic;

private:
    struct FinalizeStatement {
        void operator()(sqlite3_stmt* stmt) const;
    };
    using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;
    sqlite3_stmt* prepare(const char* sql);
    static QString cacheKey(std::uint32_t root, const QString& subKey, const QString& name);

    QString path_;
    // Declared before the statements, so that they are finalized before it is closed.
    Handle db_;
    bool readOnly_ = false;
    int lastFailure_ = 0;
    std::vector<std::pair<const char*, StatementHandle>> statements_;
    // Values by cacheKey() while a cache scope is open (empty: known to be missing).
    int cacheDepth_ = 0;
    QHash<QString, std::optional<RegValue>> cache_;
    // Keys found while a cache scope is open, by cacheKey() with an empty name.
    QHash<QString, std::int64_t> keyIds_;
};

}  // namespace pictavo
