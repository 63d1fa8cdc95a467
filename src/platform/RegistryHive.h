#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/HiveConnection.h"
#include "platform/RegistryTypes.h"

namespace pictavo {

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
    const QString& path() const { return connection_.path(); }
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

    // What was asked of the store through this object.
    using Traffic = HiveTraffic;
    const Traffic& traffic() const { return connection_.traffic; }

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
        HiveConnection& connection_;
    };

private:
    long removeKey(std::uint32_t root, const QString& subKey, bool withSubKeys);

    HiveConnection connection_;
};

}  // namespace pictavo
