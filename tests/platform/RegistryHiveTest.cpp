#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>
#include <memory>

#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using testing::AllOf;
using testing::HasSubstr;

namespace {

// The test's own store: every test has a settings folder of its own.
QString path() {
    return RegistryHive::defaultPath();
}

constexpr auto HKCU = RootKey::CurrentUser;

QString textAt(RegistryHive& hive, const QString& key, const QString& name) {
    const auto v = hive.queryValue(HKCU, key, name);
    return v ? v->asText() : u"(missing)"_s;
}

// A connection of its own to `file`, with `statements` run on it; closed when dropped.
std::unique_ptr<sqlite3, int (*)(sqlite3*)> sqlOn(const QString& file,
                                                  std::initializer_list<const char*> statements) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    for (const char* sql : statements) {
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    return {db, sqlite3_close};
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

}  // namespace

// Names compare without case and keep their first spelling. Listing in the stored spelling,
// values in creation order, sub-keys by name, deletion and the refusal of an empty name component
// are RegToolTest's, through the command line; that a value never makes its key is
// ModRegistryTest's.
TEST(RegistryHiveTest, KeysAndValuesFollowTheRegistryRules) {
    RegistryHive hive(path());
    const QString k = u"Software\\Quorrel"_s;
    ASSERT_TRUE(hive.createKey(HKCU, k));
    EXPECT_FALSE(hive.keyExists(RootKey::LocalMachine, u"Software"_s));  // roots apart

    // A value set again under another spelling keeps its name and place.
    hive.setValue(HKCU, k, u"FileName"_s, RegValue::text(u"a"_s));
    hive.setValue(HKCU, k, u"Größe"_s, RegValue::dword(0x01020304));
    hive.setValue(HKCU, k, u"FILENAME"_s, RegValue::text(u"b"_s));
    const auto values = hive.values(HKCU, k);
    ASSERT_TRUE(values && values->size() == 2u);
    EXPECT_EQ(values->front().name + u'=' + values->front().value.asText(), u"FileName=b"_s);
    // Letters fold one for one, beyond ASCII too, and no letter becomes two: ß is not "SS".
    EXPECT_TRUE(hive.queryValue(HKCU, k, u"GRÖßE"_s));
    EXPECT_FALSE(hive.queryValue(HKCU, k, u"GRÖSSE"_s));
}

TEST(RegistryHiveTest, ACacheReadsEachValueOnceAndFollowsItsOwnChanges) {
    RegistryHive hive(path()), other(path());
    const QString key = u"Software\\Quorrel"_s, sub = key + u"\\Sub"_s;
    ASSERT_TRUE(hive.createKey(HKCU, sub));
    other.setValue(HKCU, key, u"Log"_s, RegValue::text(u"1"_s));
    {
        const RegistryHive::ReadCache cache(hive);
        const auto reads = hive.traffic().reads;
        EXPECT_EQ(textAt(hive, key, u"Log"_s), u"1"_s);
        EXPECT_EQ(textAt(hive, key, u"LOG"_s), u"1"_s);
        EXPECT_EQ(textAt(hive, key, u"Gone"_s), u"(missing)"_s);
        EXPECT_EQ(textAt(hive, key, u"Gone"_s), u"(missing)"_s);
        EXPECT_EQ(hive.traffic().reads - reads, 2u);
        // Another process's change shows from the next command on; this object's own at once.
        other.setValue(HKCU, key, u"Log"_s, RegValue::text(u"2"_s));
        EXPECT_EQ(textAt(hive, key, u"Log"_s), u"1"_s);
        hive.setValue(HKCU, key, u"Gone"_s, RegValue::text(u"x"_s));
        EXPECT_EQ(textAt(hive, key, u"Gone"_s), u"x"_s);
        hive.deleteValue(HKCU, key, u"gone"_s);
        EXPECT_EQ(textAt(hive, key, u"Gone"_s), u"(missing)"_s);
        hive.setValue(HKCU, sub, u"Log"_s, RegValue::text(u"3"_s));
        EXPECT_EQ(textAt(hive, key + u"\\sub"_s, u"log"_s), u"3"_s);
        hive.deleteTree(HKCU, sub);
        EXPECT_EQ(textAt(hive, sub, u"Log"_s), u"(missing)"_s);
        EXPECT_EQ(textAt(hive, key, u"Log"_s), u"2"_s);
        // A key made again is a new key, found afresh (another took the old one's place).
        hive.createKey(HKCU, key + u"\\Other"_s);
        hive.createKey(HKCU, sub);
        other.setValue(HKCU, sub, u"Fresh"_s, RegValue::text(u"5"_s));
        EXPECT_EQ(textAt(hive, sub, u"Fresh"_s), u"5"_s);
    }
    other.setValue(HKCU, key, u"Log"_s, RegValue::text(u"4"_s));
    EXPECT_EQ(textAt(hive, key, u"Log"_s), u"4"_s);
}

// Values of any length survive reopening. A write cut short (a start killed while it made the
// store, say) leaves a journal that only a writing connection can roll back: the store is still
// one to write afterwards. A store of the first version had no rows for the roots: upgraded, it
// takes values on a root.
TEST(RegistryHiveTest, AStoreAfterACutWriteOrOfTheFirstVersionKeepsItsValuesAndTakesNewOnes) {
    const QString longText(100000, u'x');
    {
        RegistryHive hive(path());
        hive.createKey(HKCU, u"K"_s);
        hive.setValue(HKCU, u"K"_s, u"long"_s, RegValue::text(longText));
    }
    // The store's files, copied while another connection is in the middle of a write.
    const QString copy = path() + u".copy"_s;
    {
        const auto db = sqlOn(path(), {"PRAGMA journal_mode=DELETE", "PRAGMA synchronous=OFF",
                                       "BEGIN", "DELETE FROM vals"});
        ASSERT_TRUE(QFile::copy(path(), copy));
        ASSERT_TRUE(QFile::copy(path() + u"-journal"_s, copy + u"-journal"_s));
    }
    RegistryHive cut(copy);
    EXPECT_EQ(cut.setValue(HKCU, u"K"_s, u"new"_s, RegValue::text(u"2"_s)), RegResult::Success);
    EXPECT_EQ(textAt(cut, u"K"_s, u"long"_s), longText);

    sqlOn(path(), {"DELETE FROM keys WHERE parent < 0", "PRAGMA user_version=1"});
    RegistryHive again(path());
    EXPECT_EQ(again.setValue(HKCU, QString(), u"onRoot"_s, RegValue::text(longText)),
              RegResult::Success);
    EXPECT_EQ(textAt(again, QString(), u"onRoot"_s), longText);
    EXPECT_EQ(textAt(again, u"K"_s, u"long"_s), longText);
}

TEST(RegistryHiveTest, AFileThatIsNotAStoreOrIsDamagedIsReportedAndLeftAlone) {
    { RegistryHive hive(path()); }
    // Our store with the header of its first page overwritten: still marked as ours.
    const QByteArray damagedStore = fileBytes(path()).replace(100, 8, QByteArray(8, '\xff'));
    // Someone else's database in WAL mode, copied with its log while its program had it open:
    // the last row is still only in the log, and nothing of it is marked as ours.
    const QString other = path() + u".other"_s;
    const auto db = sqlOn(other, {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                                  "CREATE TABLE notes(text)", "INSERT INTO notes VALUES('mine')"});
    const QByteArray otherLog = fileBytes(other + u"-wal"_s);
    ASSERT_GT(otherLog.size(), 0);
    const char* const foreign = "is not a Pictavo settings store";
    // What the store's file and its log hold, and what the message says.
    const std::tuple<const char*, QByteArray, QByteArray, const char*> cases[] = {
        {"text file", "my notes\nmore notes\n", {}, foreign},
        {"damaged store", damagedStore, {}, "is damaged"},
        {"another program's database", fileBytes(other), otherLog, foreign},
    };
    for (const auto& [name, content, log, says] : cases) {
        SCOPED_TRACE(name);
        QFile::remove(path() + u"-shm"_s);
        for (const auto& [file, bytes] : {std::pair{path(), content}, {path() + u"-wal"_s, log}}) {
            QFile f(file);
            ASSERT_TRUE(f.remove() || !f.exists());
            ASSERT_TRUE(bytes.isEmpty() || (f.open(QIODevice::WriteOnly) && f.write(bytes) > 0));
        }
        EXPECT_THAT([&] { RegistryHive{path()}; },
                    testing::ThrowsMessage<PictavoError>(
                        AllOf(HasSubstr(path().toStdString()), HasSubstr(says))));
        EXPECT_EQ(fileBytes(path()), content);
        EXPECT_TRUE(log.isEmpty() || fileBytes(path() + u"-wal"_s) == log);
    }
    // A FIFO nobody writes to: refused at once, not waited on.
    QFile::remove(path());
    ASSERT_EQ(mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    EXPECT_THROW(RegistryHive{path()}, PictavoError);
}
