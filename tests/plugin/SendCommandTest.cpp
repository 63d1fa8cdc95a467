#include <gtest/gtest.h>
#include <unistd.h>

#include <sqlite3.h>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "controls/VexelButton.h"
#include "output/BackgroundEncoder.h"
#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"
#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "plugin/CapturePipeline.h"
#include "plugin/CommandDispatcher.h"
#include "plugin/PreviewEncoding.h"
#include "preview/Canvas.h"
#include "preview/CanvasImage.h"
#include "preview/DrawToolsPalette.h"
#include "preview/frmMain.h"
#include "settings/DiagnosticLog.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::TestComponent;
using pictavo::test::testScreen;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SendCommand : public ::testing::Test {
protected:
    SendCommand() : tc(pictavo::test::testScreen()) {
        EXPECT_TRUE(tc.initialize());
        tc.set("Options", "Preview", "0");
    }

    // Switches the preview on and runs `action` on it once its modal loop is running; a
    // watchdog closes the preview if the test goes wrong, so nothing can hang.
    void whenPreviewShows(std::function<void(frmMain&)> action) {
        tc.set("Options", "Preview", u"1"_s);
        QTimer::singleShot(100, &timers, [this, action] { action(tc.pv->mainForm()); });
        QTimer::singleShot(10000, &timers, [this] {
            if (tc.pv->mainForm().isLoaded()) {
                tc.pv->mainForm().cmdCancel_Click();
            }
        });
    }

    // The picture the command sent, in the screen's format.
    QImage sentPicture(const QString& word = u"/xpvfull"_s) {
        return QImage(tc.command(word)).convertToFormat(QImage::Format_RGB32);
    }
    bool backgroundRunDone() {
        return QTest::qWaitFor([this] { return tc.pv->encoder().background().idle(); }, 5000);
    }

    TestComponent tc;
    QObject timers;  // ends the timers with the test
};

}  // namespace

// The command words in any letter case; any other text answers "False" and leaves the result.
TEST_F(SendCommand, FullScreenWithoutPreviewSendsTheScreenAsPng) {
    tc.set("", "sResult", u"stale"_s);
    for (const char* word : {"/xpvfullx", "", "/xpvful", "xpvfull"}) {
        EXPECT_EQ(tc.command(QLatin1String(word)), u"False"_s) << word;
    }
    // The folder command opens the capture folder; when it cannot, the user is told once.
    EXPECT_EQ(tc.command(u"/xpvdir"_s), u"True"_s);
    EXPECT_EQ(tc.shell->folders, QStringList{tc.pv->TempFolderPath()});
    EXPECT_EQ(tc.get("", "sResult"), u"stale"_s);
    tc.shell->opens = false;
    tc.command(u"/xpvdir"_s);
    const QString path = tc.command(u"/XPVFULL"_s);
    EXPECT_EQ(
        tc.dialogs->prompts(),
        QStringList{u"The folder %1 could not be opened: no file manager could be started."_s.arg(
            tc.pv->TempFolderPath())});
    EXPECT_EQ(path, tc.pv->TempFolderPath() + u"My_Screenshot.png"_s);
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), tc.screen->screen());
    EXPECT_EQ(tc.get("", "sResult"), QString());
    tc.screen->setActiveWindow(QRect(20, 30, 60, 40));
    EXPECT_EQ(sentPicture(u"/xpvactive"_s), tc.screen->screen().copy(20, 30, 60, 40));
}

TEST_F(SendCommand, FileNamesAreNumberedFromTwoAndTheFolderKeepsItsCase) {
    const QString folder = tc.pv->TempFolderPath();
    for (const char* name : {"My_Screenshot.png", "My_Screenshot2.png"}) {
        QFile f(folder + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(tc.command(u"/xpvfull"_s), folder + u"My_Screenshot3.png"_s);
    QString type = u"Gif"_s;
    PrivateFolder mixed(QDir::temp().filePath(u"MixedCase/"_s));
    EXPECT_EQ(tc.pv->pipeline().UniqueTempFileName(mixed, u"Shot"_s, type).path,
              mixed.path() + u"Shot.gif"_s);
}

// A name that would leave the folder, or split the answer over two lines, is not used.
TEST_F(SendCommand, UnsafeFileNamesGiveWayToTheDefaultInsideTheFolder) {
    tc.set("", "Log", u"1"_s);
    const struct {
        QString name;
        const char* reason;
    } rows[] = {
        {u"../../../../x/y"_s, "it holds \"/\""},
        {u"line\nbreak"_s, "it holds a control character"},
        {u"bell\x7f"_s, "it holds a control character"},
        {u".."_s, "it names a folder"},
        {QString(), "it is empty"},
        {QString(120, u'\u00e9'), "it is too long"},  // 240 bytes
        {QString(239, u'n'), nullptr},
        {u"..name"_s, nullptr},
    };
    const QString folder = tc.pv->TempFolderPath();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name.left(20).toStdString());
        tc.set("Options", "FileName", r.name);
        tc.set("Options", "FileNameLen", QString::number(r.name.size()));
        const QString path = tc.command(u"/xpvfull"_s);
        const QFileInfo written(path);
        EXPECT_EQ(written.absolutePath() + QLatin1Char('/'), folder);
        EXPECT_TRUE(written.isFile());
        EXPECT_EQ(written.fileName().startsWith(u"My_Screenshot"_s), r.reason != nullptr);
        EXPECT_EQ(pictavo::test::logLines().contains(
                      u"FileName not used, %1: My_Screenshot instead"_s.arg(
                          QString::fromUtf8(r.reason ? r.reason : ""))),
                  r.reason != nullptr);
        QFile::remove(DiagnosticLog::LogFilePath());
    }
    EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(u"../x"_s)));
}

// The temporary folder removed while the plug-in runs (by a cleaner of /tmp): the next capture
// makes it again, with the checks of the start, and is sent.
TEST_F(SendCommand, ATemporaryFolderRemovedWhileRunningIsMadeAgain) {
    const QString folder = tc.pv->TempFolderPath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(tc.command(u"/xpvfull"_s), folder + u"My_Screenshot.png"_s);
}

// The folder checked at the start is the one written to; a link put in its place later is
// never followed, and the next start refuses it. The failed save sends nothing and says once
// what, where and why (the reasons of each kind of failure are the encoder's).
TEST_F(SendCommand, AFolderSwappedForALinkIsNeverFollowed) {
    tc.set("", "sResult", u"stale"_s);
    const QString folder = tc.pv->TempFolderPath().chopped(1);
    const QString elsewhere = QDir::temp().filePath(u"elsewhere"_s);
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QDir().rename(folder, folder + u".moved"_s));
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere), QFile::encodeName(folder)), 0);
    EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
    EXPECT_EQ(tc.get("", "sResult"), QString());
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"Save Failed\r\n\r\n"_s + folder +
                                                 u"/\r\n\r\nNo such file or directory"_s});
    // Closing with "Delete" on removes through the folder it holds, never through the link.
    tc.set("Options", "Delete", u"1"_s);
    tc.pv->Uninitialize();
    EXPECT_TRUE(QFileInfo(folder).isSymLink());
    EXPECT_TRUE(QDir(folder + u".moved"_s).isEmpty());

    TestComponent next;
    EXPECT_FALSE(next.initialize());
    ASSERT_EQ(next.dialogs->messages.size(), 1);
    EXPECT_TRUE(next.dialogs->messages[0].prompt.contains(folder + u'/'));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

// Two components share the folder but not their files: one that closes with "Delete" on
// takes only its own; the last one takes the folder.
TEST_F(SendCommand, TwoComponentsInOneProcessDeleteOnlyTheirOwnFiles) {
    TestComponent other(testScreen());
    ASSERT_TRUE(other.initialize());
    const QString mine = tc.command(u"/xpvfull"_s);
    const QString theirs = other.pv->ParseCommand(u"/xpvfull"_s, {}, nullptr);
    ASSERT_NE(mine, theirs);
    tc.set("Options", "Delete", u"1"_s);
    tc.pv->Uninitialize();
    EXPECT_FALSE(QFileInfo::exists(mine));
    EXPECT_TRUE(QFileInfo::exists(theirs));
    other.pv->Uninitialize();
    EXPECT_FALSE(QFileInfo::exists(other.pv->TempFolderPath()));

    // Each component keeps the folder it was made with.
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::temp().filePath(u"later"_s).toUtf8());
    const TestComponent later;
    qputenv("TMPDIR", tmp);
    EXPECT_EQ(tc.pv->TempFolderPath(), QString::fromUtf8(tmp) + u"/Pictavo/"_s);
    EXPECT_EQ(later.pv->TempFolderPath(), QString::fromUtf8(tmp) + u"/later/Pictavo/"_s);
}

// In any letter case, also when the overlay's reload of the settings brings the stored case
// back after the file name has taken the lower-case type.
TEST_F(SendCommand, EveryFileTypeWritesAReadableFileWhateverItsCase) {
    const struct {
        const char* type;
        FREE_IMAGE_FORMAT fif;
    } rows[] = {
        {"BMP", FIF_BMP}, {"gif", FIF_GIF}, {"Jpg", FIF_JPEG}, {"TIF", FIF_TIFF}, {"png", FIF_PNG}};
    FreeImageLibrary& fi = *tc.pv->freeImage();
    tc.set("Options", "Overlay", u"1"_s);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.type);
        tc.set("Options", "FileType", QLatin1String(r.type));
        const QString path = tc.command(u"/xpvfull"_s);
        EXPECT_TRUE(path.endsWith(QLatin1Char('.') + QString::fromLatin1(r.type).toLower()));
        FIBITMAP* dib = fi.Load(r.fif, QFile::encodeName(path).constData(), 0);
        ASSERT_NE(dib, nullptr);
        EXPECT_EQ(QSize(int(fi.GetWidth(dib)), int(fi.GetHeight(dib))), tc.screen->screen().size());
        fi.Unload(dib);
    }
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
}

// Counts the widgets made while it exists.
struct WidgetProbe : QObject {
    WidgetProbe() { qApp->installEventFilter(this); }
    ~WidgetProbe() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        made += event->type() == QEvent::Create && watched->isWidgetType() ? 1 : 0;
        return false;
    }
    int made = 0;
};

TEST_F(SendCommand, ClipboardGetsThePictureWithoutAnyWidget) {
    tc.set("Options", "Clipboard", u"1"_s);
    WidgetProbe probe;
    tc.command(u"/xpvfull"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              tc.screen->screen());
    EXPECT_EQ(probe.made, 0);
    tc.pv->mainForm().Load();
    EXPECT_GT(probe.made, 0) << "the probe sees the preview's widgets";
}

// Accepted, the preview sends the picture; cancelled, nothing. Either way the drawing state
// is stored for the next preview.
TEST_F(SendCommand, ThePreviewsAnswerDecidesTheSendAndTheDrawingStateIsKept) {
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        whenPreviewShows([accept](frmMain& f) {
            f.Colour = 0x0000FF;
            f.Len = accept ? 5 : 7;
            f.txtText()->setText(u"hello"_s);
            accept ? f.cmdSend_Click() : f.cmdCancel_Click();
        });
        EXPECT_EQ(tc.command(u"/xpvfull"_s),
                  accept ? tc.pv->TempFolderPath() + u"My_Screenshot.png"_s : QString());
        EXPECT_EQ(tc.get("DrawTools", "Colour"), u"255"_s);
        EXPECT_EQ(tc.get("DrawTools", "Len"), accept ? u"5"_s : u"7"_s);
        EXPECT_EQ(tc.get("DrawTools", "Text"), u"hello"_s);
        EXPECT_EQ(tc.get("", "sResult"), QString());
        EXPECT_FALSE(tc.pv->mainForm().isLoaded());
    }
}

// A stop (every event loop ended, as the host does on a signal) while a preview is open is a
// cancel, with a drawing on it too: nothing is sent or saved.
TEST_F(SendCommand, AStopWhileAPreviewIsOpenSendsAndSavesNothing) {
    tc.set("Options", "PreviewSave", u"1"_s);
    for (const auto& [word, draw] :
         {std::pair{"/xpvfull", false}, {"/xpvfull", true}, {"/xpvfsave", false}}) {
        whenPreviewShows([draw](frmMain& f) {
            if (draw) {
                f.annotations.add(
                    Annotation{DrawingState::Line, 255, 1, {{1, 1}, {60, 1}}, {}, {}, {}});
            }
            QCoreApplication::exit(0);
        });
        QString answer = u"none"_s;
        // This loop stands for the host's, which the stop ends as well.
        QTimer::singleShot(0, &timers, [&] {
            answer = tc.command(QLatin1String(word));
            QCoreApplication::quit();
        });
        QCoreApplication::exec();
        EXPECT_TRUE(answer.isEmpty() || answer == u"True"_s) << answer.toStdString();
        EXPECT_FALSE(QFile::exists(tc.pv->TempFolderPath() + u"My_Screenshot.png"_s));
    }
    EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
}

// The account's key removed while the plug-in runs (as by the settings tool): the next command
// makes it again with its defaults and sends; removed while the preview is open, nothing is
// sent, and the "Error" a missing value reads as is never taken for a file to send.
TEST_F(SendCommand, AnAccountKeyRemovedWhileRunningIsMadeAgainAndNeverAnsweredAsError) {
    const QString key = u"SOFTWARE\\Quorrel\\Pictavo\\user@example.com"_s;
    for (const bool duringPreview : {false, true}) {
        if (!duringPreview) {
            tc.pv->registryHive().deleteTree(RootKey::CurrentUser, key);
        }
        whenPreviewShows([&](frmMain& f) {
            if (duringPreview) {
                tc.pv->registryHive().deleteTree(RootKey::CurrentUser, key);
            }
            f.cmdSend_Click();
        });
        EXPECT_EQ(tc.command(u"/xpvfull"_s),
                  duringPreview ? QString() : tc.pv->TempFolderPath() + u"My_Screenshot.png"_s);
    }
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
}

// Another process holds the store past its busy timeout while the user cancels: the preview
// goes, the user is told once what failed, and the command answers nothing.
TEST_F(SendCommand, AStoreLockedDuringCancelUnloadsThePreviewAndAnswersNothing) {
    tc.pv->registryHive().setBusyTimeout(std::chrono::milliseconds(50));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(RegistryHive::defaultPath()).constData(), &other),
              SQLITE_OK);
    // The other process lets go while the message is up.
    tc.dialogs->onMessage = [other](const MessageBoxRequest&) {
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    };
    whenPreviewShows([other](frmMain& f) {
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QTest::mouseClick(f.cmdCancel(), Qt::LeftButton);
        EXPECT_FALSE(f.isLoaded());
    });
    EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
    sqlite3_close(other);
    ASSERT_EQ(tc.dialogs->messages.size(), 1);
    EXPECT_TRUE(tc.dialogs->messages[0].prompt.contains(RegistryHive::defaultPath()));
    EXPECT_FALSE(QFile::exists(tc.pv->TempFolderPath() + u"My_Screenshot.png"_s));
}

// Accepted once the background run has finished, an unchanged preview sends those bytes: the
// library's save is out of order by then. The file is the one a direct save writes.
TEST_F(SendCommand, AnUnchangedPreviewSendsTheFileEncodedWhileItWasOpen) {
    tc.set("Options", "Quality", u"60"_s);
    FreeImageLibrary& library = *tc.pv->freeImage();
    const auto save = library.Save;
    for (const char* type : {"gif", "jpg", "png"}) {
        SCOPED_TRACE(type);
        tc.set("Options", "FileType", QLatin1String(type));
        whenPreviewShows([&](frmMain& f) {
            EXPECT_TRUE(backgroundRunDone());
            library.Save = [](FREE_IMAGE_FORMAT, FIBITMAP*, const char*, int) -> BOOL {
                return FALSE;
            };
            f.cmdSend_Click();
        });
        const QString path = tc.command(u"/xpvfull"_s);
        library.Save = save;
        ASSERT_FALSE(path.isEmpty());
        const QString direct = path + u".direct"_s;
        ASSERT_TRUE(tc.pv->encoder().Save(QLatin1String(type), direct, 60));
        EXPECT_EQ(contents(path), contents(direct));
    }
}

// Whatever changes the picture after the background run has finished is in the file, an
// undo as much as a stroke: the accept, sooner than the picture has been still long enough for
// a new run, encodes afresh.
TEST_F(SendCommand, AStrokeOrAnUndoAfterTheBackgroundRunIsInTheFile) {
    for (const bool undo : {false, true}) {
        SCOPED_TRACE(undo);
        QImage drawn;
        whenPreviewShows([&](frmMain& f) {
            EXPECT_TRUE(backgroundRunDone());
            f.annotations.add(
                Annotation{DrawingState::Line, 0x0000FF, 1, {{10, 10}, {60, 10}}, {}, {}, {}});
            if (undo) {
                EXPECT_TRUE(backgroundRunDone());
                f.annotations.undo();
            }
            drawn = f.canvas.committed();
            f.cmdSend_Click();
        });
        const QImage sent = sentPicture();
        EXPECT_EQ(sent.pixel(30, 10) == qRgb(255, 0, 0), !undo);
        EXPECT_EQ(sent, drawn);
    }
}

// A capture larger than the preview is drawn on in the reduced preview and sent at full size,
// the line where the pointer put it on the capture.
TEST_F(SendCommand, ALineOnAReducedPreviewIsSentAtFullSize) {
    tc.screen->screen() = testScreen(2560, 1440);
    QPointF from;
    QPointF to;
    whenPreviewShows([&](frmMain& f) {
        ASSERT_TRUE(f.bScaled);
        QTest::mouseClick(f.picDrawTools()->cmdTool(0), Qt::LeftButton);
        QTest::mouseClick(f.picDrawTools()->cmdColour(3), Qt::LeftButton);  // red
        QTest::mouseClick(f.picDrawTools()->cmdWidth(1), Qt::LeftButton);   // 3
        Canvas* canvas = f.picPreview();
        const QPoint a(canvas->width() / 8, canvas->height() * 3 / 4);
        const QPoint b(canvas->width() * 7 / 8, a.y());
        QTest::mousePress(canvas, Qt::LeftButton, {}, a);
        QTest::mouseMove(canvas, (a + b) / 2);
        QTest::mouseMove(canvas, b);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, b);
        // Canvas pixels to capture pixels.
        const double scale = 2560.0 / canvas->image().size().width();
        from = QPointF(a) * canvas->devicePixelRatioF() * scale;
        to = QPointF(b) * canvas->devicePixelRatioF() * scale;
        f.cmdSend_Click();
    });
    const QImage sent = sentPicture();
    ASSERT_EQ(sent.size(), QSize(2560, 1440));
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_EQ(sent.pixel(from.toPoint()), red);
    EXPECT_EQ(sent.pixel(to.toPoint()), red);
    // Within a capture pixel of the mapping: the pen reaches one pixel past the ends and
    // either side of the line, so nothing is red three pixels beyond that.
    const int y = qRound(from.y()), middle = qRound(from.x() + to.x()) / 2;
    for (const QPoint beyond : {QPoint(qRound(from.x()) - 4, y), QPoint(qRound(to.x()) + 4, y),
                                QPoint(middle, y - 4), QPoint(middle, y + 4)}) {
        EXPECT_NE(sent.pixel(beyond), red) << beyond.x() << "," << beyond.y();
    }
}

// However large the typed number, the countdown is a whole number of seconds within a day, for
// this capture only, and one longer than "WarnDelayAmount" is asked about first: "No" sends
// nothing. It is waited out on the component's clock with the counter on the screen, and the
// counter is gone before the capture.
TEST_F(SendCommand, TypedCountdownsAreHeldToADayAskedAboutAndCountedOnScreen) {
    tc.set("Options", "WarnDelayAmount", u"10"_s);
    tc.set("", "sResult", u"#"_s);
    tc.dialogs->answers.enqueue(MsgBox::ResultNo);
    EXPECT_EQ(tc.command(u"/xpvactive"_s, u"11"_s), QString());
    ASSERT_EQ(tc.dialogs->prompts(),
              QStringList{"Are You Sure You Want A Time Delay of 11 seconds?"});
    EXPECT_EQ(tc.dialogs->messages[0].buttons, MsgBox::YesNo + MsgBox::InformationIcon);
    EXPECT_EQ(tc.get("", "sResult"), QString());

    tc.set("Options", "TimeDelay", u"7"_s);
    std::vector<std::pair<qint64, qint16>> waits;  // the wait and the number shown meanwhile
    tc.clock->onWait = [&](std::chrono::milliseconds d) {
        const frmCounter& c = tc.pv->counterForm();
        waits.emplace_back(d.count(), c.isLoaded() ? c.Seconds : qint16(0));
    };
    EXPECT_FALSE(tc.command(u"/xpvfull"_s, u"2.7"_s).isEmpty());
    ASSERT_FALSE(waits.empty());
    EXPECT_EQ(waits[0], (std::pair<qint64, qint16>(2000, 2)));
    EXPECT_FALSE(tc.pv->counterForm().isLoaded());  // never in the picture
    EXPECT_EQ(tc.get("Options", "TimeDelay"), u"7"_s);

    tc.set("Options", "WarnDelayAmount", u"1"_s);
    // Typed, the countdown held, and whether it is asked about; "1" is exactly the limit.
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"99999999999999999999", "86400", true},
        {"86400.9", "86400", true},
        {"-1e300", "-86400", false},
        {"-0.5", "-1", false},
        {"1", "1", false}};
    for (const auto& [typed, count, asked] : rows) {
        SCOPED_TRACE(typed);
        tc.dialogs->messages.clear();
        tc.dialogs->answers.clear();
        tc.dialogs->answers.enqueue(MsgBox::ResultNo);
        tc.pv->pipeline().RunCountdown(QLatin1String(typed));
        EXPECT_EQ(tc.pv->settings().record().TimeDelay, QLatin1String(count));
        EXPECT_EQ(tc.dialogs->messages.size(), asked ? 1 : 0);
        EXPECT_EQ(tc.pv->sendForm().Proceed, !asked);
    }
}

TEST(CommandDispatcher, ResultTextsAreCleanedAndCancellationsRecognised) {
    const struct {
        const char* stored;
        bool cancelled;
        const char* cleaned;
    } rows[] = {
        // clang-format off
        {"/dropfile C:\\T\\a.png", false, "C:\\\\T\\\\a.png"},
        {"/dropfile /tmp/a/dropfile x/shot.png", false, "/tmp/a/dropfile x/shot.png"},
        {"#anything", true, "#anything"}, {"Cancel", true, "Cancel"},
        {"Cancelled by user", true, "Cancelled by user"}, {"cancel", false, "cancel"}, {"", false, ""},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.stored);
        EXPECT_EQ(ResultHandoff::isCancelled(QLatin1String(r.stored)), r.cancelled);
        EXPECT_EQ(CommandDispatcher::clean(QLatin1String(r.stored)), QLatin1String(r.cleaned));
    }
}

// Switched on, the overlay is stamped into the sent picture; a text too wide for the capture
// stamps nothing and says so in the log.
TEST_F(SendCommand, OverlayIsStampedIntoTheSentPictureWhenSwitchedOn) {
    tc.set("Options", "Overlay", u"1"_s);
    tc.set("", "Log", u"1"_s);
    const QImage sent = sentPicture();
    EXPECT_NE(sent, tc.screen->screen());
    EXPECT_EQ(sent.copy(0, 0, 100, 100), tc.screen->screen().copy(0, 0, 100, 100));
    tc.set("Overlay", "Text", u"W"_s.repeated(100));
    EXPECT_EQ(sentPicture(), tc.screen->screen());
    EXPECT_TRUE(pictavo::test::logLines().contains(u"Overlay Text Is Too Big"_s));
}

// Nothing thrown while the preview is open escapes its event loop or the encoder's thread. A
// background run that throws leaves the accept to encode afresh; a picture that cannot be
// finished for a later run is the preview's to report.
TEST_F(SendCommand, FailuresOfTheEncodingWhileThePreviewIsOpenStayBehindItsBarrier) {
    FreeImageLibrary& library = *tc.pv->freeImage();
    const auto toMemory = library.SaveToMemory;
    library.SaveToMemory = [](FREE_IMAGE_FORMAT, FIBITMAP*, FIMEMORY*, int) -> BOOL {
        throw std::bad_alloc();
    };
    whenPreviewShows([&](frmMain& f) {
        EXPECT_TRUE(backgroundRunDone());
        f.cmdSend_Click();
    });
    EXPECT_EQ(sentPicture(), tc.screen->screen());
    library.SaveToMemory = toMemory;

    CanvasImage canvas;
    canvas.setPicture(tc.screen->screen());
    int runs = 0;
    const PreviewEncoding ahead(
        tc.pv->encoder().background(), canvas,
        [&]() -> const QImage* {
            if (runs++ > 0) {
                throw PictavoError(u"out of memory"_s);
            }
            return &canvas.committed();
        },
        *ImageEncoder::formatOf(u"png"_s, 0), tc.pv->mainForm().guard());
    canvas.setPicture(tc.screen->screen());  // changed: a new run once it has been still
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tc.dialogs->messages.isEmpty(); }, 5000));
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"out of memory"_s});
}

// A read of the screen that fails is told once and logged; the command ends as a cancelled
// capture does and leaves no file behind, whatever kind of capture it was.
TEST_F(SendCommand, AFailedReadOfTheScreenShowsOneMessageAndWritesNoFile) {
    const struct {
        const char* word;
        const char* answer;
    } rows[] = {
        {"/xpvfull", ""},      {"/xpvactive", ""},    {"/xpvselect", ""},
        {"/xpvfsave", "True"}, {"/xpvasave", "True"}, {"/xpvssave", "True"},
    };
    tc.set("", "Log", u"1"_s);
    tc.screen->failReads(u"the X server does not give out the pixels of the screen."_s);
    const QString message =
        u"The screen could not be read: the X server does not give out the pixels of the screen."_s;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        tc.dialogs->messages.clear();
        EXPECT_EQ(tc.command(QLatin1String(row.word)), QLatin1String(row.answer));
        EXPECT_EQ(tc.dialogs->prompts(), QStringList{message});
        EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
        EXPECT_FALSE(tc.pv->selectForm().isLoaded());
        EXPECT_TRUE(QDir(tc.pv->TempFolderPath()).entryList(QDir::Files).isEmpty());
    }
    EXPECT_EQ(pictavo::test::logLines().filter(message).size(), std::size(rows));
}
