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
    void setLog(const QString& v) { settings.setValue(QString(), QStringLiteral("Log"), v); }
};
}  // namespace

TEST_F(DiagnosticLogTest, LivesInTheStateFolder) {
    EXPECT_EQ(DiagnosticLog::LogFilePath(),
              qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/pictavo/PV3_Log.txt"));
}

TEST_F(DiagnosticLogTest, MissingSwitchIsCreatedOffAndNothingIsWritten) {
    settings.WriteLog(QStringLiteral("hello"));
    EXPECT_EQ(settings.value(QString(), QStringLiteral("Log")), QStringLiteral("0"));
    EXPECT_EQ(settings.record().Log, QStringLiteral("0"));
    EXPECT_FALSE(QFileInfo::exists(DiagnosticLog::LogFilePath()));
}

TEST_F(DiagnosticLogTest, EveryMessageIsOneLineInCallOrderAndTheSwitchActsAtOnce) {
    setLog(QStringLiteral("1"));
    settings.WriteLog(QStringLiteral("first"));
    settings.WriteLog(QString());
    settings.WriteLog(QStringLiteral("two\r\nlines"));
    setLog(QStringLiteral("0"));
    settings.WriteLog(QStringLiteral("not written"));
    setLog(QStringLiteral(" 1.0 "));
    settings.WriteLog(QStringLiteral("last"));
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("first"), QString(), QStringLiteral("two"),
                                       QStringLiteral("lines"), QStringLiteral("last")}));
}

TEST_F(DiagnosticLogTest, ASwitchThatIsNotANumberIsOff) {
    for (const char* text : {"yes", "", "1x", "2"}) {
        SCOPED_TRACE(text);
        setLog(QLatin1String(text));
        settings.WriteLog(QStringLiteral("line"));
        EXPECT_EQ(settings.record().Log, QLatin1String(text));
        EXPECT_FALSE(QFileInfo::exists(DiagnosticLog::LogFilePath()));
    }
}

TEST_F(DiagnosticLogTest, ALogThatCannotBeWrittenIsSkipped) {
    setLog(QStringLiteral("1"));
    // A folder where the file should be: it cannot be opened for appending.
    QDir().mkpath(DiagnosticLog::LogFilePath());
    EXPECT_NO_THROW(settings.WriteLog(QStringLiteral("line")));
    EXPECT_TRUE(QFileInfo(DiagnosticLog::LogFilePath()).isDir());
}
