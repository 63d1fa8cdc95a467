#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace pictavo {

// Predefined root keys, with the handle values the plug-in's code has always used.
namespace RootKey {
constexpr std::uint32_t ClassesRoot = 0x80000000u;
constexpr std::uint32_t CurrentUser = 0x80000001u;
constexpr std::uint32_t LocalMachine = 0x80000002u;
constexpr std::uint32_t Users = 0x80000003u;
constexpr std::uint32_t PerformanceData = 0x80000004u;
constexpr std::uint32_t CurrentConfig = 0x80000005u;
constexpr std::uint32_t DynData = 0x80000006u;
}  // namespace RootKey

// Value types, numbered as in the registry the settings come from.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
};

// Result codes, numbered as their registry counterparts so callers that pass them on keep
// their meaning.
namespace RegResult {
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long AccessDenied = 5;
}  // namespace RegResult

struct RegValue {
    RegType type = RegType::None;
    // String types hold UTF-8 text without a terminating NUL (REG_MULTI_SZ: the strings
    // separated by NULs); REG_DWORD holds four little-endian bytes.
    QByteArray data;

    static RegValue text(const QString& s, RegType type = RegType::Sz);
    static RegValue dword(std::uint32_t v);
    QString asText() const;
};

struct NamedRegValue {
    QString name;  // the empty name is the key's default value
    RegValue value;
};

// A registry hive in one SQLite file: the predefined roots, each a tree of keys holding typed
// values. Key and value names compare without regard to case and keep the case they were
// created with. Sub-key paths use "\" between names; the empty path is the root itself.
//
// Every write is one short transaction begun with BEGIN IMMEDIATE, the file is in WAL mode and
// waits on a busy store, so several processes can use the same file at once and a crash never
// leaves it half-written. A file that is not a settings store is reported and never touched.
class RegistryHive {
public:
    // Opens (creating when missing, with its folder) the store at `path`. An existing file is
    // read, and left unchanged, until it is known to be a store; one that we may not write is
    // opened for reading, and every change to it then throws, calling it read-only.
    // Throws PictavoError naming the file when it cannot be opened, is not a store or is
    // damaged.
    explicit RegistryHive(const QString& path);
    ~RegistryHive();
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    // ${XDG_CONFIG_HOME:-$HOME/.config}/pictavo/registry.db
    static QString defaultPath();
    const QString& path() const { return path_; }
    // How long a statement waits for another connection's transaction before it fails; ten
    // seconds unless set.
    void setBusyTimeout(std::chrono::milliseconds timeout);

    static bool isRoot(std::uint32_t root);

    bool keyExists(std::uint32_t root, const QString& subKey);
    // Creates the key and any missing intermediate keys. False for an unknown root or an
    // empty name component ("a\\b").
    bool createKey(std::uint32_t root, const QString& subKey);
    // Deletes a key that has no sub-keys, with its values. AccessDenied when it has
    // sub-keys, FileNotFound when it is missing; the root itself cannot be deleted.
    long deleteKey(std::uint32_t root, const QString& subKey);
    // Deletes a key with all its sub-keys and their values, in one transaction: a crash or a
    // busy store leaves the whole tree or none of it. FileNotFound when it is missing; the
    // root itself cannot be deleted (AccessDenied).
    long deleteTree(std::uint32_t root, const QString& subKey);

    std::optional<RegValue> queryValue(std::uint32_t root, const QString& subKey,
                                       const QString& name);
    // Sets a value in an existing key; FileNotFound when the key is missing.
    long setValue(std::uint32_t root, const QString& subKey, const QString& name,
                  const RegValue& value);
    long deleteValue(std::uint32_t root, const QString& subKey, const QString& name);

    // Direct sub-keys, sorted by name without regard to case; values in creation order.
    // std::nullopt when the key is missing.
    std::optional<QStringList> subKeys(std::uint32_t root, const QString& subKey);
    std::optional<std::vector<NamedRegValue>> values(std::uint32_t root, const QString& subKey);
    // The stored spelling of each component of an existing key's path.
    std::optional<QString> canonicalPath(std::uint32_t root, const QString& subKey);

    // One key of a listed tree: how far below the listed key it is (that key itself is 0), its
    // stored name and its values in creation order.
    struct TreeKey {
        int depth = 0;
        QString name;
        std::vector<NamedRegValue> values;
    };
    // The key and every key below it, depth first with sub-keys in the order of subKeys(), read
    // in one pass whatever the depth. std::nullopt when the key is missing.
    std::optional<std::vector<TreeKey>> tree(std::uint32_t root, const QString& subKey);

    // What was asked of the store through this object: calls that read (values, keys,
    // listings) and that write, the write transactions, and the SQL statements run for them.
    struct Traffic {
        std::uint64_t reads = 0;
        std::uint64_t writes = 0;
        std::uint64_t transactions = 0;
        std::uint64_t statements = 0;
    };
    const Traffic& traffic() const { return traffic_; }

    // While one is alive, queryValue answers a value it has read, or that this object has
    // written or deleted, from memory: within one command the same value is read again (the log
    // flag before every log line, a name read back just after it was written). It also finds a
    // key it has found before without walking its path again. A change of keys through this
    // object forgets everything. Writes by other processes made meanwhile are seen
    // once the outermost cache has ended. Scopes nest.
    class ReadCache {
    public:
        explicit ReadCache(RegistryHive& hive);
        ~ReadCache();
        ReadCache(const ReadCache&) = delete;
        ReadCache& operator=(const ReadCache&) = delete;

    private:
        RegistryHive& hive_;
    };

private:
    class Statement;
    class Transaction;
    struct CloseConnection {
        void operator()(sqlite3* db) const;
    };
    struct FinalizeStatement {
        void operator()(sqlite3_stmt* stmt) const;
    };
    using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;
    using ConnectionHandle = std::unique_ptr<sqlite3, CloseConnection>;
    // What a file's header and schema say about it.
    struct Mark {
        bool foreign = false;  // another program's database, never to be touched
        int version = 0;       // schema version of a store of ours; 0 for one not made yet
    };

    ConnectionHandle openConnection(int flags, bool immutable = false);
    // A connection that cannot change the file, to look at it before it is known to be ours;
    // `unwritable` tells that nobody can write the file here either.
    ConnectionHandle openReader(bool& unwritable);
    // Throws, naming the file damaged or not a store, when it cannot be read as a database.
    Mark readMark(sqlite3* db);
    // True when the file's header carries our application id, however damaged the rest is.
    static bool carriesOurMark(const QString& path);
    [[noreturn]] void throwFor(int code, const QString& what, const QString& why) const;

    std::optional<std::int64_t> findKey(std::uint32_t root, const QString& subKey);
    // findKey, from memory while a ReadCache is alive: for reads only, as a key another process
    // removed meanwhile reads as missing but could not be written.
    std::optional<std::int64_t> findKeyToRead(std::uint32_t root, const QString& subKey);
    long removeKey(std::uint32_t root, const QString& subKey, bool withSubKeys);
    sqlite3_stmt* prepare(const char* sql);
    void exec(const char* sql);
    // Runs `step` again while it fails on a busy store, within the busy timeout.
    template <typename Step>
    auto whenFree(Step step);
    void initialiseSchema();
    [[noreturn]] void fail(const QString& what);

    QString path_;
    // Declared before the statements, so that they are finalized before it is closed.
    ConnectionHandle db_;
    bool readOnly_ = false;  // a file or folder we may not write: every change throws
    int lastFailure_ = 0;    // SQLite's code for the last failure thrown
    std::vector<std::pair<const char*, StatementHandle>> statements_;
    Traffic traffic_;
    // Values by cacheKey() while a ReadCache is alive (empty: known to be missing).
    int cacheDepth_ = 0;
    QHash<QString, std::optional<RegValue>> cache_;
    // Keys found while a ReadCache is alive, by cacheKey() with an empty name.
    QHash<QString, std::int64_t> keyIds_;
    static QString cacheKey(std::uint32_t root, const QString& subKey, const QString& name);
    void remember(std::uint32_t root, const QString& subKey, const QString& name,
                  std::optional<RegValue> value);
};

}  // namespace pictavo
