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
    void SetUp() override { reg().CreateKey(user(), QStringLiteral("test")); }
    void setLog(const QString& v) { set("", "Log", v); }
};
}  // namespace

TEST_F(DiagnosticLogTest, MissingSwitchIsCreatedOffAndNothingIsWritten) {
    settings.WriteLog(QStringLiteral("hello"));
    EXPECT_EQ(get("", "Log"), QStringLiteral("0"));
    EXPECT_EQ(settings.record().Log, QStringLiteral("0"));
    EXPECT_FALSE(QFileInfo::exists(DiagnosticLog::LogFilePath()));
}

// Only a switch that reads as the number 1 writes ("yes", "2" and "1x" are off).
TEST_F(DiagnosticLogTest, EveryMessageIsOneLineInCallOrderAndTheSwitchActsAtOnce) {
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
}

TEST_F(DiagnosticLogTest, ALogThatCannotBeWrittenIsSkipped) {
    setLog(QStringLiteral("1"));
    // A folder where the file should be: it cannot be opened for appending.
    QDir().mkpath(DiagnosticLog::LogFilePath());
    EXPECT_NO_THROW(settings.WriteLog(QStringLiteral("line")));
    EXPECT_TRUE(QFileInfo(DiagnosticLog::LogFilePath()).isDir());
}
