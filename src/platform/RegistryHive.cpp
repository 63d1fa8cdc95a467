#include "platform/RegistryHive.h"

#include <sqlite3.h>

#include <QHash>
#include <utility>

#include "platform/HiveFile.h"
#include "platform/WellKnownPaths.h"

namespace pictavo {

namespace {

using Statement = HiveConnection::Statement;
using Transaction = HiveConnection::Transaction;

}  // namespace

RegistryHive::RegistryHive(const QString& path) : connection_(path) {
    HiveFile::open(connection_);
}

RegistryHive::~RegistryHive() = default;

QString RegistryHive::defaultPath() {
    return WellKnownPaths::configHome() + QStringLiteral("/pictavo/registry.db");
}

bool RegistryHive::isRoot(std::uint32_t root) {
    return HiveConnection::isRoot(root);
}

void RegistryHive::setBusyTimeout(std::chrono::milliseconds timeout) {
    sqlite3_busy_timeout(connection_.db(), static_cast<int>(timeout.count()));
}

bool RegistryHive::keyExists(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.reads;
    return connection_.walk(root, subKey).has_value();
}

bool RegistryHive::createKey(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.writes;
    if (!isRoot(root) ||
        (!subKey.isEmpty() && subKey.split(QLatin1Char('\\')).contains(QString()))) {
        return false;
    }
    Transaction tx(connection_);
    connection_.walk(root, subKey, true);
    tx.commit();
    return true;
}

long RegistryHive::deleteKey(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.writes;
    return removeKey(root, subKey, false);
}

long RegistryHive::deleteTree(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.writes;
    return removeKey(root, subKey, true);
}

long RegistryHive::removeKey(std::uint32_t root, const QString& subKey, bool withSubKeys) {
    // Values of the key and of its sub-keys go with it.
    connection_.forget();
    if (subKey.isEmpty()) {
        return isRoot(root) ? RegResult::AccessDenied : RegResult::FileNotFound;
    }
    Transaction tx(connection_);
    const auto id = connection_.walk(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    if (!withSubKeys) {
        Statement s(connection_, "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1");
        s.bind(1, *id);
        if (s.step()) {
            return RegResult::AccessDenied;
        }
    }
    // Values go with their keys (ON DELETE CASCADE).
    Statement del(connection_,
                  "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                  " SELECT k.id FROM keys k JOIN tree t ON k.parent=t.id)"
                  " DELETE FROM keys WHERE id IN tree");
    del.bind(1, *id);
    del.step();
    tx.commit();
    return RegResult::Success;
}

RegistryHive::ReadCache::ReadCache(RegistryHive& hive) : connection_(hive.connection_) {
    connection_.openCache();
}

RegistryHive::ReadCache::~ReadCache() {
    connection_.closeCache();
}

std::optional<RegValue> RegistryHive::queryValue(std::uint32_t root, const QString& subKey,
                                                 const QString& name) {
    if (auto known = connection_.cached(root, subKey, name)) {
        return *std::move(known);
    }
    ++connection_.traffic.reads;
    std::optional<RegValue> value;
    if (const auto id = connection_.findKeyToRead(root, subKey)) {
        Statement s(connection_, "SELECT type, data FROM vals WHERE key=?1 AND lname=?2");
        s.bind(1, *id).bind(2, comparedName(name));
        if (s.step()) {
            value = RegValue{static_cast<RegType>(s.integer(0)), s.blob(1)};
        }
    }
    connection_.remember(root, subKey, name, value);
    return value;
}

long RegistryHive::setValue(std::uint32_t root, const QString& subKey, const QString& name,
                            const RegValue& value) {
    ++connection_.traffic.writes;
    Transaction tx(connection_);
    const auto id = connection_.walk(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    // An existing value keeps its place in the enumeration order and its spelling.
    Statement up(connection_,
                 "INSERT INTO vals(key, name, lname, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                 " ON CONFLICT(key, lname) DO UPDATE SET type=excluded.type,"
                 " data=excluded.data");
    up.bind(1, *id).bind(2, name).bind(3, comparedName(name));
    up.bind(4, static_cast<std::int64_t>(value.type)).bind(5, value.data);
    up.step();
    tx.commit();
    connection_.remember(root, subKey, name, value);
    return RegResult::Success;
}

long RegistryHive::deleteValue(std::uint32_t root, const QString& subKey, const QString& name) {
    ++connection_.traffic.writes;
    Transaction tx(connection_);
    const auto id = connection_.walk(root, subKey);
    if (!id) {
        return RegResult::FileNotFound;
    }
    Statement del(connection_, "DELETE FROM vals WHERE key=?1 AND lname=?2");
    del.bind(1, *id).bind(2, comparedName(name));
    del.step();
    const bool removed = sqlite3_changes(connection_.db()) > 0;
    tx.commit();
    connection_.remember(root, subKey, name, std::nullopt);
    return removed ? RegResult::Success : RegResult::FileNotFound;
}

std::optional<QStringList> RegistryHive::subKeys(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.reads;
    const auto id = connection_.walk(root, subKey);
    if (!id) {
        return std::nullopt;
    }
    QStringList names;
    Statement s(connection_, "SELECT name FROM keys WHERE parent=?1 ORDER BY lname");
    s.bind(1, *id);
    while (s.step()) {
        names << s.text(0);
    }
    return names;
}

std::optional<std::vector<NamedRegValue>> RegistryHive::values(std::uint32_t root,
                                                               const QString& subKey) {
    ++connection_.traffic.reads;
    const auto id = connection_.walk(root, subKey);
    if (!id) {
        return std::nullopt;
    }
    std::vector<NamedRegValue> out;
    Statement s(connection_, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq");
    s.bind(1, *id);
    while (s.step()) {
        out.push_back({s.text(0), RegValue{static_cast<RegType>(s.integer(1)), s.blob(2)}});
    }
    return out;
}

std::optional<QString> RegistryHive::canonicalPath(std::uint32_t root, const QString& subKey) {
    ++connection_.traffic.reads;
    QStringList spelled;
    if (!connection_.walk(root, subKey, false, &spelled)) {
        return std::nullopt;
    }
    return spelled.join(QLatin1Char('\\'));
}

std::optional<std::vector<RegistryHive::TreeKey>> RegistryHive::tree(std::uint32_t root,
                                                                     const QString& subKey) {
    ++connection_.traffic.reads;
    // One snapshot for the three reads, so that a writer meanwhile cannot tear the listing.
    connection_.exec("BEGIN");
    struct EndRead {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{connection_.db()};
    const auto top = connection_.walk(root, subKey);
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
        Statement s(connection_,
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
        Statement s(connection_,
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
        Statement s(connection_, "SELECT name FROM keys WHERE id=?1");
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
