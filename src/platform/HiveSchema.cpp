#include "platform/HiveSchema.h"

#include <QString>
#include <cstdint>

#include "platform/HiveConnection.h"

namespace pictavo {

void HiveSchema::bringUpToDate(HiveConnection& hive, int version) {
    hive.exec("PRAGMA journal_mode=WAL");
    hive.exec("PRAGMA synchronous=NORMAL");
    hive.exec("PRAGMA foreign_keys=ON");
    if (version >= kVersion) {
        return;
    }
    // A new store, one whose making was cut short, or one of an earlier version.
    HiveConnection::Transaction tx(hive);
    hive.exec(
        "CREATE TABLE IF NOT EXISTS keys("
        " id INTEGER PRIMARY KEY,"
        " parent INTEGER NOT NULL,"
        " name TEXT NOT NULL,"
        " lname TEXT NOT NULL,"
        " UNIQUE(parent, lname))");
    hive.exec(
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
        HiveConnection::Statement ins(
            hive, "INSERT OR IGNORE INTO keys(id, parent, name, lname) VALUES(?1, -?1, '', '')");
        ins.bind(1, std::int64_t(root));
        ins.step();
    }
    hive.exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId).toUtf8().constData());
    hive.exec(QStringLiteral("PRAGMA user_version=%1").arg(kVersion).toUtf8().constData());
    tx.commit();
}

}  // namespace pictavo
