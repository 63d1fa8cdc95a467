#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "settings/SettingsFixture.h"

using namespace pictavo;
using pictavo::test::logLines;
using pictavo::test::SettingsFixture;

namespace {
class DiagnosticLogTest : public SettingsFixture {
protected:
    void SetUp() override { reg().CreateKey(settings.userKey().path(), QStringLiteral("test")); }
    void setLog(const QString& v) { set("", "Log", v); }
};
}  // namespace

// A missing switch is created off. Only a switch that reads as the number 1 writes ("yes", "2"
// and "1x" are off), and a change acts at once.
TEST_F(DiagnosticLogTest, EveryMessageIsOneLineInCallOrderAndTheSwitchActsAtOnce) {
    settings.WriteLog(QStringLiteral("before the switch exists"));
    EXPECT_EQ(get("", "Log"), QStringLiteral("0"));
    EXPECT_FALSE(QFileInfo::exists(DiagnosticLog::LogFilePath()));

    setLog(QStringLiteral("1"));
    settings.WriteLog(QStringLiteral("first"));
    settings.WriteLog(QString());
    settings.WriteLog(QStringLiteral("two\r\nlines"));
    for (const char* off : {"0", "yes", "2", "1x", ""}) {
        setLog(QLatin1String(off));
        settings.WriteLog(QStringLiteral("not written"));
    }
    EXPECT_EQ(settings.record().Log, QString());
    setLog(QStringLiteral(" 1.0 "));
    settings.WriteLog(QStringLiteral("last"));
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("first"), QString(), QStringLiteral("two"),
                                       QStringLiteral("lines"), QStringLiteral("last")}));

    // A folder or a FIFO nobody reads where the file should be: skipped at once, left as it is.
    const QByteArray log = QFile::encodeName(DiagnosticLog::LogFilePath());
    QFile::remove(DiagnosticLog::LogFilePath());
    ASSERT_EQ(mkfifo(log.constData(), 0600), 0);
    EXPECT_NO_THROW(settings.WriteLog(QStringLiteral("line")));
    EXPECT_FALSE(QFileInfo(DiagnosticLog::LogFilePath()).isFile());
    QFile::remove(DiagnosticLog::LogFilePath());
    QDir().mkpath(DiagnosticLog::LogFilePath());
    EXPECT_NO_THROW(settings.WriteLog(QStringLiteral("line")));
    EXPECT_TRUE(QFileInfo(DiagnosticLog::LogFilePath()).isDir());
}
