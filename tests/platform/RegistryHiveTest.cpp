#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"

using namespace pictavo;

namespace {

class RegistryHiveTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("store/registry.db")); }
};

constexpr auto HKCU = RootKey::CurrentUser;

}  // namespace

TEST_F(RegistryHiveTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
    RegistryHive hive(path());
    ASSERT_TRUE(hive.createKey(HKCU, QStringLiteral("Software\\Quorrel\\Pictavo")));
    EXPECT_TRUE(hive.keyExists(HKCU, QStringLiteral("SOFTWARE\\quorrel\\PICTAVO")));
    // Creating again with another spelling opens the existing key and keeps its name.
    ASSERT_TRUE(hive.createKey(HKCU, QStringLiteral("SOFTWARE\\QUORREL")));
    EXPECT_EQ(hive.canonicalPath(HKCU, QStringLiteral("software\\quorrel\\pictavo")),
              QStringLiteral("Software\\Quorrel\\Pictavo"));

    const QString key = QStringLiteral("Software\\Quorrel");
    hive.setValue(HKCU, key, QStringLiteral("FileName"), RegValue::text(QStringLiteral("a")));
    hive.setValue(HKCU, key, QStringLiteral("FILENAME"), RegValue::text(QStringLiteral("b")));
    const auto values = hive.values(HKCU, key);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 1u);
    EXPECT_EQ((*values)[0].name, QStringLiteral("FileName"));
    EXPECT_EQ((*values)[0].value.asText(), QStringLiteral("b"));
    // Non-ASCII names fold too.
    hive.setValue(HKCU, key, QStringLiteral("Größe"), RegValue::text(QStringLiteral("1")));
    EXPECT_TRUE(hive.queryValue(HKCU, key, QStringLiteral("GRÖSSE")) ||
                hive.queryValue(HKCU, key, QStringLiteral("größe")));
}

TEST_F(RegistryHiveTest, KeysAndValuesFollowTheRegistryRules) {
    RegistryHive hive(path());
    ASSERT_TRUE(hive.createKey(HKCU, QStringLiteral("A\\B\\C")));
    EXPECT_TRUE(hive.keyExists(HKCU, QStringLiteral("A\\B")));     // intermediate keys made
    EXPECT_FALSE(hive.createKey(HKCU, QStringLiteral("A\\\\D")));  // empty name component
    EXPECT_FALSE(hive.createKey(0x1234, QStringLiteral("A")));     // unknown root
    EXPECT_FALSE(hive.keyExists(RootKey::LocalMachine, QStringLiteral("A")));  // roots apart

    // A key with sub-keys cannot be deleted; a leaf takes its values with it.
    EXPECT_EQ(hive.deleteKey(HKCU, QStringLiteral("A\\B")), RegResult::AccessDenied);
    hive.setValue(HKCU, QStringLiteral("A\\B\\C"), QStringLiteral("v"), RegValue::dword(7));
    EXPECT_EQ(hive.deleteKey(HKCU, QStringLiteral("A\\B\\C")), RegResult::Success);
    EXPECT_EQ(hive.deleteKey(HKCU, QStringLiteral("A\\B\\C")), RegResult::FileNotFound);
    ASSERT_TRUE(hive.createKey(HKCU, QStringLiteral("A\\B\\C")));
    EXPECT_FALSE(hive.queryValue(HKCU, QStringLiteral("A\\B\\C"), QStringLiteral("v")));

    // Values need an existing key; they enumerate in creation order, sub-keys by name.
    EXPECT_EQ(
        hive.setValue(HKCU, QStringLiteral("Missing"), QStringLiteral("x"), RegValue::dword(1)),
        RegResult::FileNotFound);
    const QString k = QStringLiteral("A");
    hive.setValue(HKCU, k, QStringLiteral("zeta"), RegValue::text(QStringLiteral("1")));
    hive.setValue(HKCU, k, QStringLiteral("alpha"), RegValue::dword(0x01020304));
    hive.setValue(HKCU, k, QString(), RegValue::text(QStringLiteral("default")));
    hive.setValue(HKCU, k, QStringLiteral("zeta"), RegValue::text(QStringLiteral("2")));
    hive.createKey(HKCU, QStringLiteral("A\\a2"));
    hive.createKey(HKCU, QStringLiteral("A\\A1"));
    const auto values = hive.values(HKCU, k);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 3u);
    EXPECT_EQ((*values)[0].name, QStringLiteral("zeta"));
    EXPECT_EQ((*values)[0].value.asText(), QStringLiteral("2"));
    EXPECT_EQ((*values)[1].value.data, QByteArray("\x04\x03\x02\x01", 4));
    EXPECT_EQ((*values)[2].name, QString());
    EXPECT_EQ(hive.subKeys(HKCU, k),
              (QStringList{QStringLiteral("A1"), QStringLiteral("a2"), QStringLiteral("B")}));
    EXPECT_EQ(hive.deleteValue(HKCU, k, QStringLiteral("ZETA")), RegResult::Success);
    EXPECT_EQ(hive.deleteValue(HKCU, k, QStringLiteral("zeta")), RegResult::FileNotFound);
    EXPECT_FALSE(hive.subKeys(HKCU, QStringLiteral("Nope")));
}

TEST_F(RegistryHiveTest, ACacheReadsEachValueOnceAndFollowsItsOwnChanges) {
    RegistryHive hive(path());
    RegistryHive other(path());
    const QString key = QStringLiteral("Software\\Quorrel");
    ASSERT_TRUE(hive.createKey(HKCU, key + QStringLiteral("\\Sub")));
    const auto text = [&](const char* name) {
        const auto v = hive.queryValue(HKCU, key, QLatin1String(name));
        return v ? v->asText() : QStringLiteral("(missing)");
    };
    other.setValue(HKCU, key, QStringLiteral("Log"), RegValue::text(QStringLiteral("1")));
    {
        const RegistryHive::ReadCache cache(hive);
        const auto reads = hive.traffic().reads;
        EXPECT_EQ(text("Log"), QStringLiteral("1"));
        EXPECT_EQ(text("LOG"), QStringLiteral("1"));
        EXPECT_EQ(text("Gone"), QStringLiteral("(missing)"));
        EXPECT_EQ(text("Gone"), QStringLiteral("(missing)"));
        EXPECT_EQ(hive.traffic().reads - reads, 2u);
        // Another process's change shows from the next command on; this object's own at once.
        other.setValue(HKCU, key, QStringLiteral("Log"), RegValue::text(QStringLiteral("2")));
        EXPECT_EQ(text("Log"), QStringLiteral("1"));
        hive.setValue(HKCU, key, QStringLiteral("Gone"), RegValue::text(QStringLiteral("x")));
        EXPECT_EQ(text("Gone"), QStringLiteral("x"));
        hive.deleteValue(HKCU, key, QStringLiteral("gone"));
        EXPECT_EQ(text("Gone"), QStringLiteral("(missing)"));
        hive.setValue(HKCU, key + QStringLiteral("\\Sub"), QStringLiteral("Log"),
                      RegValue::text(QStringLiteral("3")));
        EXPECT_EQ(
            hive.queryValue(HKCU, key + QStringLiteral("\\sub"), QStringLiteral("log"))->asText(),
            QStringLiteral("3"));
        EXPECT_FALSE(hive.queryValue(HKCU, key + QStringLiteral("\\Sub"), QStringLiteral("Unset")));
        hive.deleteTree(HKCU, key + QStringLiteral("\\Sub"));
        EXPECT_FALSE(hive.queryValue(HKCU, key + QStringLiteral("\\Sub"), QStringLiteral("Log")));
        EXPECT_EQ(text("Log"), QStringLiteral("2"));
        // A key made again is a new key, found afresh (another took the old one's place).
        hive.createKey(HKCU, key + QStringLiteral("\\Other"));
        hive.createKey(HKCU, key + QStringLiteral("\\Sub"));
        other.setValue(HKCU, key + QStringLiteral("\\Sub"), QStringLiteral("Fresh"),
                       RegValue::text(QStringLiteral("5")));
        const auto fresh =
            hive.queryValue(HKCU, key + QStringLiteral("\\Sub"), QStringLiteral("Fresh"));
        EXPECT_EQ(fresh ? fresh->asText() : QString(), QStringLiteral("5"));
    }
    other.setValue(HKCU, key, QStringLiteral("Log"), RegValue::text(QStringLiteral("4")));
    EXPECT_EQ(text("Log"), QStringLiteral("4"));
}

TEST_F(RegistryHiveTest, ValuesOfAnyLengthSurviveReopeningAndTheFirstVersionsUpgrade) {
    const QString longText(100000, QLatin1Char('x'));
    {
        RegistryHive hive(path());
        hive.createKey(HKCU, QStringLiteral("K"));
        hive.setValue(HKCU, QStringLiteral("K"), QStringLiteral("long"), RegValue::text(longText));
        hive.setValue(HKCU, QStringLiteral("K"), QStringLiteral("utf8"),
                      RegValue::text(QStringLiteral("Écran ✓")));
    }
    // A store of the first version had no rows for the roots.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DELETE FROM keys WHERE parent < 0; PRAGMA user_version=1", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    RegistryHive again(path());
    EXPECT_EQ(again.setValue(HKCU, QString(), QStringLiteral("onRoot"), RegValue::text(longText)),
              RegResult::Success);
    EXPECT_EQ(again.queryValue(HKCU, QString(), QStringLiteral("onRoot"))->asText(), longText);
    EXPECT_EQ(again.queryValue(HKCU, QStringLiteral("K"), QStringLiteral("long"))->asText(),
              longText);
    EXPECT_EQ(again.queryValue(HKCU, QStringLiteral("K"), QStringLiteral("utf8"))->asText(),
              QStringLiteral("Écran ✓"));
}

TEST_F(RegistryHiveTest, AFileThatIsNotAStoreOrIsDamagedIsReportedAndLeftAlone) {
    { RegistryHive hive(path()); }
    // Our store with the header of its first page overwritten: still marked as ours.
    QFile store(path());
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    QByteArray damagedStore = store.readAll();
    store.close();
    damagedStore.replace(100, 8, QByteArray(8, '\xff'));
    struct Case {
        const char* name;
        QByteArray content;
        const char* says;
    };
    const Case cases[] = {
        {"text file", QByteArray("my notes\nmore notes\n"), "is not a Pictavo settings store"},
        {"binary junk", QByteArray(8192, '\x5a'), "is not a Pictavo settings store"},
        {"damaged store", damagedStore, "is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.content);
        f.close();
        try {
            RegistryHive hive(path());
            FAIL() << "opened it";
        } catch (const PictavoError& e) {
            EXPECT_TRUE(e.message().contains(path())) << e.what();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.says))) << e.what();
        }
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.content);
    }
}

TEST_F(RegistryHiveTest, AnotherProgramsSqliteDatabaseIsNotTakenNorChanged) {
    // Someone else's database in WAL mode, copied with its log while its program had it open:
    // the last row is still only in the log, and nothing of it is marked as ours.
    const QString other = dir.filePath(QStringLiteral("other.db"));
    const QString copy = dir.filePath(QStringLiteral("copy.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.toUtf8().constData(), &db), SQLITE_OK);
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                            "CREATE TABLE notes(text)", "INSERT INTO notes VALUES('mine')"}) {
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    ASSERT_TRUE(QFile::copy(other, copy));
    ASSERT_TRUE(QFile::copy(other + QStringLiteral("-wal"), copy + QStringLiteral("-wal")));
    sqlite3_close(db);
    const auto bytes = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    };
    const QByteArray main = bytes(copy);
    const QByteArray log = bytes(copy + QStringLiteral("-wal"));
    ASSERT_GT(log.size(), 0);
    EXPECT_THROW(RegistryHive hive(copy), PictavoError);
    EXPECT_EQ(bytes(copy), main);
    EXPECT_EQ(bytes(copy + QStringLiteral("-wal")), log);
}
