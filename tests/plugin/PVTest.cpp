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

#include "capture/frmSelectWindow.h"
#include "controls/VexelButton.h"
#include "output/BackgroundEncoder.h"
#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"
#include "output/SaveToFile.h"
#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "plugin/CommandDispatcher.h"
#include "plugin/PreviewEncoding.h"
#include "preview/CanvasImage.h"
#include "preview/frmMainWindow.h"
#include "settings/ResultHandoff.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::logLines;
using pictavo::test::TestComponent;
using pictavo::test::testScreen;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The kind of file by its first bytes.
QByteArray formatOf(const QString& path) {
    const QByteArray head = contents(path).left(4);
    return head.startsWith("BM")             ? "bmp"
           : head.startsWith("\xff\xd8\xff") ? "jpg"
           : head.startsWith("\x89PNG")      ? "png"
           : head.startsWith("II*")          ? "tif"
                                             : "other";
}

using Gesture = std::function<void(frmSelect&)>;
using Decision = std::function<void(frmMain&)>;

Gesture drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
    return [=](frmSelect& f) {
        f.Picture1_MouseDown(button, from);
        f.Picture1_MouseMove((from + to) / 2);
        f.Picture1_MouseUp(button, to);
    };
}

class SendCommand : public ::testing::Test {
protected:
    SendCommand() : tc(testScreen()) {
        EXPECT_TRUE(tc.initialize());
        tc.set("Options", "Preview", u"0"_s);
        tc.set("Options", "SaveDir", saveDir);
        tc.set("Options", "SaveDirLen", QString::number(saveDir.size()));
        tc.set("", "Log", u"1"_s);
        QDir().mkpath(saveDir);
    }

    // Runs the command and plays the user: `gesture` on the selection and `decide` on the
    // preview, once each shows. A window the test has nothing (more) for is cancelled, so that a
    // test that goes wrong cannot hang.
    QString command(const QString& word, const Gesture& gesture = {}, const Decision& decide = {}) {
        QTimer user;
        bool selected = false, decided = false;
        QObject::connect(&user, &QTimer::timeout, [&] {
            frmSelect& select = tc.pv->selectForm();
            frmMain& preview = tc.pv->mainForm();
            if (select.isLoaded() && select.window()->isVisible()) {
                std::exchange(selected, true) || !gesture ? select.Form_Escape() : gesture(select);
            } else if (preview.isLoaded() && preview.window()->isVisible()) {
                std::exchange(decided, true) || !decide ? preview.cmdCancel_Click()
                                                        : decide(preview);
            }
        });
        user.start(20);
        return tc.command(word);
    }
    // The picture the command sent, in the screen's format.
    QImage sentPicture() {
        return QImage(tc.command(u"/xpvfull"_s)).convertToFormat(QImage::Format_RGB32);
    }
    bool backgroundRunDone() {
        return QTest::qWaitFor([this] { return tc.pv->encoder().background().idle(); }, 5000);
    }

    TestComponent tc;
    const QString saveDir = QDir::temp().filePath(u"Saved Shots"_s);
};

using SelectAndSave = SendCommand;
using ChooserCommand = SendCommand;

}  // namespace

// The command words in any letter case; any other text answers "False" and leaves the result.
// Taken names are numbered from two; a temporary folder removed while
// running (by a cleaner of /tmp) is made again, with the checks of the start. With "Clipboard" on
// the picture goes there as well, and a send without a preview builds no widget.
TEST_F(SendCommand, FullScreenWithoutPreviewSendsTheScreenAsPng) {
    const QString folder = tc.pv->TempFolderPath();
    tc.set("", "sResult", u"stale"_s);
    EXPECT_EQ(tc.command(u"/xpvful"_s) + tc.command(u"xpvfull"_s), u"FalseFalse"_s);
    // The folder command opens the capture folder; when it cannot, the user is told once.
    EXPECT_EQ(tc.command(u"/xpvdir"_s), u"True"_s);
    EXPECT_EQ(tc.shell->folders, QStringList{folder});
    EXPECT_EQ(tc.get("", "sResult"), u"stale"_s);
    tc.shell->opens = false;
    tc.command(u"/xpvdir"_s);
    const QString unopened =
        u"The folder %1 could not be opened: no file manager could be started."_s;
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{unopened.arg(folder)});
    tc.set("Options", "Clipboard", u"1"_s);
    const auto widgets = QApplication::allWidgets().size();
    const QString path = tc.command(u"/XPVFULL"_s);
    EXPECT_EQ(path, folder + u"My_Screenshot.png"_s);
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), tc.screen->screen());
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              tc.screen->screen());
    EXPECT_EQ(QApplication::allWidgets().size(), widgets);
    EXPECT_EQ(tc.get("", "sResult"), QString());
    ASSERT_TRUE(QFile(folder + u"My_Screenshot2.png"_s).open(QIODevice::WriteOnly));
    EXPECT_EQ(tc.command(u"/xpvfull"_s), folder + u"My_Screenshot3.png"_s);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(tc.command(u"/xpvfull"_s), path);
}

// A name that would leave the folder, or split the answer over two lines, is not used.
TEST_F(SendCommand, UnsafeFileNamesGiveWayToTheDefaultInsideTheFolder) {
    const std::pair<QString, const char*> rows[] = {
        {u"../../../../x/y"_s, "it holds \"/\""},
        {u"line\nbreak"_s, "it holds a control character"},
        {u"bell\x7f"_s, "it holds a control character"},
        {u".."_s, "it names a folder"},
        {QString(), "it is empty"},
        {QString(120, u'\u00e9'), "it is too long"},  // 240 bytes
        {QString(239, u'n'), nullptr},
        {u"..name"_s, nullptr},
    };
    for (const auto& [name, reason] : rows) {
        SCOPED_TRACE(name.left(20).toStdString());
        tc.set("Options", "FileName", name);
        tc.set("Options", "FileNameLen", QString::number(name.size()));
        const QFileInfo written(tc.command(u"/xpvfull"_s));
        EXPECT_EQ(written.absolutePath() + u'/', tc.pv->TempFolderPath());
        EXPECT_EQ(written.fileName().startsWith(u"My_Screenshot"_s), reason != nullptr);
        const QString line = u"FileName not used, %1: My_Screenshot instead"_s.arg(reason);
        EXPECT_EQ(logLines().filter(u"FileName not used, "_s),
                  reason ? QStringList{line} : QStringList());
        QFile::remove(DiagnosticLog::LogFilePath());
    }
}

// The folder checked at the start is the one written to; a link put in its place later is
// never followed, and the next start refuses it. The failed save sends nothing and says once
// what, where and why (the reasons of each kind of failure are the encoder's).
TEST_F(SendCommand, AFolderSwappedForALinkIsNeverFollowed) {
    const QString folder = tc.pv->TempFolderPath().chopped(1);
    const QString elsewhere = QDir::temp().filePath(u"elsewhere"_s);
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QDir().rename(folder, folder + u".moved"_s));
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere), QFile::encodeName(folder)), 0);
    EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
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

// Two components share the folder but not their files: with "Delete" on, the first to close
// takes only its own, the last one the folder with all in it. The log says whether the folder
// went, and why not. (Read-only files and links: PrivateFolder.WhatKilledWritersLeft…'s.)
TEST_F(SendCommand, DeleteTakesOnlyTheClosingComponentsFilesAndTheLogSaysIfTheFolderWent) {
    const QString temp = tc.pv->TempFolderPath();
    TestComponent other(testScreen());
    ASSERT_TRUE(other.initialize());
    const QString mine = tc.command(u"/xpvfull"_s);
    const QString theirs = other.command(u"/xpvfull"_s);
    QDir().mkpath(temp + u"nested/deeper"_s);
    tc.set("Options", "Delete", u"1"_s);
    QFile::remove(DiagnosticLog::LogFilePath());
    tc.pv->Uninitialize();
    EXPECT_FALSE(QFileInfo::exists(mine));
    EXPECT_TRUE(QFileInfo::exists(theirs));
    other.pv->Uninitialize();
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(logLines().filter(u"Folder"_s),
              (QStringList{u"Folder Not Deleted: Device or resource busy"_s, u"Folder Deleted"_s}));
}

// Switched on, the overlay is stamped into the sent picture, in each file type whatever its case,
// also when the overlay's reload of the settings brings the stored case back after the file name
// has taken the lower-case type (each encoder is ImageEncoder's to test). A text too wide for the
// capture stamps nothing and says so in the log.
TEST_F(SendCommand, EveryFileTypeWritesAReadableFileWhateverItsCase) {
    tc.set("Options", "Overlay", u"1"_s);
    for (const char* type : {"BMP", "Jpg", "TIF", "png"}) {
        SCOPED_TRACE(type);
        tc.set("Options", "FileType", QLatin1String(type));
        const QString path = tc.command(u"/xpvfull"_s);
        EXPECT_TRUE(path.endsWith(u'.' + QString::fromLatin1(type).toLower()));
        EXPECT_EQ(formatOf(path), QByteArray(type).toLower());
    }
    const QImage sent = sentPicture();
    EXPECT_NE(sent, tc.screen->screen());
    EXPECT_EQ(sent.copy(0, 0, 100, 100), tc.screen->screen().copy(0, 0, 100, 100));
    tc.set("Overlay", "Text", u"W"_s.repeated(100));
    EXPECT_EQ(sentPicture(), tc.screen->screen());
    EXPECT_TRUE(logLines().contains(u"Overlay Text Is Too Big"_s));
}

// What happens while the preview is open decides the answer. Accepted, the picture goes;
// cancelled, nothing (both by the user too, in PreviewHost.AfterACopyToTheClipboard…); either way
// the drawing state is stored for the next preview. The account's key removed meanwhile (as by the
// settings tool): nothing goes, and the "Error" a missing value reads as is never taken for a
// file to send. Another process holds the store past its busy timeout while the user cancels:
// the preview goes and the user is told once what failed.
TEST_F(SendCommand, ThePreviewsAnswerDecidesTheSendAndTheDrawingStateIsKept) {
    tc.set("Options", "Preview", u"1"_s);
    tc.pv->registryHive().setBusyTimeout(std::chrono::milliseconds(50));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(RegistryHive::defaultPath()).constData(), &other),
              SQLITE_OK);
    // The other process lets go while the message is up.
    tc.dialogs->onMessage = [other](const MessageBoxRequest&) {
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    };
    const auto removeKey = [this] {
        tc.pv->registryHive().deleteTree(RootKey::CurrentUser,
                                         u"SOFTWARE\\Quorrel\\Pictavo\\user@example.com"_s);
    };
    enum Act { Accept, Cancel, RemoveKey, LockedCancel };
    for (const Act act : {Accept, Cancel, RemoveKey, LockedCancel}) {
        SCOPED_TRACE(act);
        const auto decide = [&](frmMain& f) {
            f.Len = 5 + act;
            f.txtText()->setText(u"hello"_s);
            if (act == RemoveKey) {
                removeKey();
            } else if (act == LockedCancel) {
                ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), 0);
                QTest::mouseClick(f.cmdCancel(), Qt::LeftButton);
                EXPECT_FALSE(f.isLoaded());
                return;
            }
            act == Cancel ? f.cmdCancel_Click() : f.cmdSend_Click();
        };
        EXPECT_EQ(command(u"/xpvfull"_s, {}, decide),
                  act == Accept ? tc.pv->TempFolderPath() + u"My_Screenshot.png"_s : QString());
        if (act <= Cancel) {
            EXPECT_EQ(tc.get("DrawTools", "Len"), QString::number(5 + act));
            EXPECT_EQ(tc.get("DrawTools", "Text"), u"hello"_s);
        }
        EXPECT_EQ(tc.dialogs->messages.size(), act == LockedCancel ? 1 : 0);
    }
    sqlite3_close(other);
    EXPECT_TRUE(tc.dialogs->prompts().value(0).contains(RegistryHive::defaultPath()));
    // Removed while no preview is open, the key is made again with its defaults at the next
    // command, which sends.
    removeKey();
    EXPECT_EQ(command(u"/xpvfull"_s, {}, [](frmMain& f) { f.cmdSend_Click(); }),
              tc.pv->TempFolderPath() + u"My_Screenshot2.png"_s);
}

// A stop (every event loop ended, as the host does on a signal) while a preview is open is a
// cancel, with a drawing on it too: nothing is sent or saved. (The host's own stop, with a plain
// preview, is PreviewHost.AfterACopyToTheClipboardOrAStop…'s.)
TEST_F(SendCommand, AStopWhileAPreviewIsOpenSendsAndSavesNothing) {
    tc.set("Options", "Preview", u"1"_s);
    tc.set("Options", "PreviewSave", u"1"_s);
    for (const auto& [word, draw] : {std::pair{"/xpvfull", true}, {"/xpvfsave", false}}) {
        SCOPED_TRACE(word);
        QString answer = u"none"_s;
        // This loop stands for the host's, which the stop ends as well.
        QTimer::singleShot(0, [&, word = word, draw = draw] {
            answer = command(QLatin1String(word), {}, [draw](frmMain& f) {
                if (draw) {
                    f.annotations.add(
                        Annotation{DrawingState::Line, 255, 1, {{1, 1}, {60, 1}}, {}, {}, {}});
                }
                QCoreApplication::exit(0);
            });
            QCoreApplication::quit();
        });
        QCoreApplication::exec();
        EXPECT_TRUE(answer.isEmpty() || answer == u"True"_s) << answer.toStdString();
        EXPECT_EQ(QDir(tc.pv->TempFolderPath()).entryList(QDir::Files), QStringList());
    }
    EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
}

// Accepted once the background run has finished, an unchanged preview sends the bytes encoded
// while it was open (the library's save is out of order by then): the file a direct save writes.
// Whatever changes the picture after that run, an undo as much as a stroke, is in the file: the
// accept, sooner than the picture has been still long enough for a new run, encodes afresh.
TEST_F(SendCommand, AnUnchangedPreviewSendsTheFileEncodedWhileItWasOpen) {
    tc.set("Options", "Preview", u"1"_s);
    tc.set("Options", "Quality", u"60"_s);
    FreeImageLibrary& library = *tc.pv->freeImage();
    const auto save = library.Save;
    const auto toMemory = library.SaveToMemory;
    // Throws: the background run fails (nothing escapes its thread), and the accept encodes.
    enum Change { None, Stroke, Undone, Throws };
    const std::pair<const char*, Change> rows[] = {{"gif", None},   {"jpg", None},
                                                   {"png", None},   {"png", Stroke},
                                                   {"png", Undone}, {"png", Throws}};
    for (const auto& [type, change] : rows) {
        SCOPED_TRACE(std::string(type) + " " + std::to_string(change));
        tc.set("Options", "FileType", QLatin1String(type));
        if (change == Throws) {
            library.SaveToMemory = [](FREE_IMAGE_FORMAT, FIBITMAP*, FIMEMORY*, int) -> BOOL {
                throw std::bad_alloc();
            };
        }
        QImage drawn;
        const auto decide = [&](frmMain& f) {
            EXPECT_TRUE(backgroundRunDone());
            if (change == None) {
                library.Save = [](FREE_IMAGE_FORMAT, FIBITMAP*, const char*, int) -> BOOL {
                    return FALSE;
                };
            } else if (change != Throws) {
                f.annotations.add(
                    Annotation{DrawingState::Line, 0x0000FF, 1, {{10, 10}, {60, 10}}, {}, {}, {}});
            }
            if (change == Undone) {
                EXPECT_TRUE(backgroundRunDone());
                f.annotations.undo();
            }
            drawn = f.canvas.committed();
            f.cmdSend_Click();
        };
        const QString path = command(u"/xpvfull"_s, {}, decide);
        library.Save = save;
        library.SaveToMemory = toMemory;
        const QImage sent = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (change == None) {
            ASSERT_TRUE(tc.pv->encoder().Save(QLatin1String(type), path + u".direct"_s, 60));
            EXPECT_EQ(contents(path), contents(path + u".direct"_s));
        } else {
            EXPECT_EQ(sent.pixel(30, 10) == qRgb(255, 0, 0), change == Stroke);
            EXPECT_EQ(sent, drawn);
        }
    }
}

// However large the typed number, the countdown is a whole number of seconds within a day, for
// this capture only, and one longer than "WarnDelayAmount" is asked about first: "No" sends
// nothing and still resets the result. It is waited out on the component's clock with the
// counter on the screen, and the counter is gone before the capture; below one it shows nothing.
TEST_F(SendCommand, TypedCountdownsAreHeldToADayAskedAboutAndCountedOnScreen) {
    tc.set("Options", "WarnDelayAmount", u"10"_s);
    tc.set("Options", "TimeDelay", u"7"_s);
    std::vector<std::pair<qint64, qint16>> waits;  // each wait and the number shown meanwhile
    tc.clock->onWait = [&](std::chrono::milliseconds d) {
        const frmCounter& c = tc.pv->counterForm();
        waits.emplace_back(d.count(), c.isLoaded() ? c.Seconds : qint16(0));
    };
    // Typed, and the seconds asked about ("No" answered) or else waited; "10" is the limit.
    const std::tuple<const char*, const char*, qint16> rows[] = {
        {"11", "11", 0},         {"99999999999999999999", "86400", 0},
        {"86400.9", "86400", 0}, {"2.7", nullptr, 2},
        {"10", nullptr, 10},     {"-1e300", nullptr, 0},
        {"-0.5", nullptr, 0}};
    for (const auto& [typed, asked, waited] : rows) {
        SCOPED_TRACE(typed);
        tc.dialogs->messages.clear();
        tc.dialogs->answers.enqueue(MsgBox::ResultNo);
        tc.set("", "sResult", u"#"_s);
        waits.clear();
        EXPECT_EQ(tc.command(u"/xpvactive"_s, QLatin1String(typed)).isEmpty(), asked != nullptr);
        const QString question = u"Are You Sure You Want A Time Delay of %1 seconds?"_s;
        EXPECT_EQ(tc.dialogs->prompts(),
                  asked ? QStringList{question.arg(QLatin1String(asked))} : QStringList());
        // The counter goes before the capture, with a moment for the screen to repaint.
        EXPECT_EQ(waits,
                  (waited ? decltype(waits){{waited * 1000, waited}, {50, 0}} : decltype(waits)()));
        EXPECT_EQ(tc.get("", "sResult"), QString());
    }
    EXPECT_EQ(tc.get("Options", "TimeDelay"), u"7"_s);
}

TEST(CommandDispatcher, ResultTextsAreCleanedAndCancellationsRecognised) {
    // What is stored, whether it is a cancel, and what the command answers for it.
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"/dropfile C:\\T\\a.png", false, "C:\\\\T\\\\a.png"},
        {"/dropfile /tmp/a/dropfile x/shot.png", false, "/tmp/a/dropfile x/shot.png"},
        {"#anything", true, "#anything"},
        {"Cancelled by user", true, "Cancelled by user"},
        {"cancel", false, "cancel"},
    };
    for (const auto& [stored, cancelled, cleaned] : rows) {
        SCOPED_TRACE(stored);
        EXPECT_EQ(ResultHandoff::isCancelled(QLatin1String(stored)), cancelled);
        EXPECT_EQ(CommandDispatcher::clean(QLatin1String(stored)), QLatin1String(cleaned));
    }
}

// Nothing thrown while the preview is open escapes its event loop or the encoder's thread (a
// background run that throws: AnUnchangedPreview…'s "Throws" row); a picture that cannot be
// finished for a later run is the preview's to report.
TEST_F(SendCommand, FailuresOfTheEncodingWhileThePreviewIsOpenStayBehindItsBarrier) {
    CanvasImage canvas;
    canvas.setPicture(tc.screen->screen());
    int runs = 0;
    const PreviewEncoding ahead(
        tc.pv->encoder().background(), canvas,
        [&]() -> const QImage* {
            return runs++ > 0 ? throw PictavoError(u"out of memory"_s) : &canvas.committed();
        },
        *ImageEncoder::formatOf(u"png"_s, 0), tc.pv->mainForm().guard());
    canvas.setPicture(tc.screen->screen());  // changed: a new run once it has been still
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tc.dialogs->messages.isEmpty(); }, 5000));
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"out of memory"_s});
}

// The pixels under a drag are the user tests' (SelectX11.ADragGives…); here the rectangle kept.
TEST_F(SelectAndSave, ADragSendsExactlyThePixelsUnderItAndKeepsItsRectangleInTwips) {
    // The screen, the drag, and the rectangle kept in twips.
    const std::tuple<QSize, QPoint, QPoint, std::array<qint32, 4>> rows[] = {
        {{320, 200}, {100, 100}, {200, 150}, {1500, 1500, 1515, 765}},
        {{320, 200}, {200, 150}, {100, 100}, {1500, 1500, 1500, 750}},  // left and up
        // Past 32767 twips, where 16-bit fields would overflow.
        {{3840, 2160}, {2000, 500}, {3800, 2000}, {30000, 7500, 27015, 22515}},
    };
    for (const auto& [screen, from, to, twips] : rows) {
        SCOPED_TRACE(screen.width());
        tc.screen->screen() = testScreen(screen.width(), screen.height());
        EXPECT_FALSE(command(u"/xpvselect"_s, drag(from, to)).isEmpty());
        const frmSelect& f = tc.pv->selectForm();
        EXPECT_EQ((std::array{f.SelLeft, f.SelTop, f.SelWidth, f.SelHeight}), twips);
        EXPECT_FALSE(f.isLoaded());
    }
}

TEST_F(SelectAndSave, EscapeAnotherButtonOrNoAreaCancelsWithNothingSentOrSaved) {
    const std::pair<const char*, Gesture> rows[] = {
        {"right button", drag({10, 10}, {60, 50}, Qt::RightButton)},
        {"click", drag({50, 60}, {50, 60})},
        {"one axis", drag({50, 60}, {150, 60})}};
    for (const auto& [name, gesture] : rows) {
        for (const auto& [word, answer] : {std::pair{"/xpvselect", ""}, {"/xpvssave", "True"}}) {
            SCOPED_TRACE(std::string(name) + " " + word);
            EXPECT_EQ(command(QLatin1String(word), gesture), QLatin1String(answer));
            EXPECT_EQ(tc.get("", "sResult"), QString());
        }
    }
    EXPECT_EQ(logLines().filter(u"Selection cancelled"_s).size(), 2 * std::size(rows));
    EXPECT_TRUE(QDir(tc.pv->TempFolderPath()).isEmpty());
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
    EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
}

TEST_F(SelectAndSave, TheTypedNameIsCompletedSavedInTheChosenTypeAndReplacedOnlyWhenTheUserSaysSo) {
    // Typed, the filter chosen, the file saved and its type.
    const std::tuple<const char*, int, const char*, const char*> rows[] = {
        {"shot", 3, "shot.jpg", "jpg"},           {"shot.PNG", 1, "shot.PNG", "png"},
        {"shot.jpeg", 3, "shot.jpeg.jpg", "jpg"}, {"shot.txt", 4, "shot.txt.png", "png"},
        {"shot.Bmp", 5, "shot.Bmp", "bmp"},       {"shot", 5, "shot.tif", "tif"},
    };
    QString preselected = u"3"_s;
    for (const auto& [typed, filterIndex, saved, type] : rows) {
        SCOPED_TRACE(typed);
        tc.dialogs->messages.clear();
        const QString path = saveDir + u'/' + QLatin1String(saved);
        tc.dialogs->saveAnswers.enqueue({saveDir + u'/' + QLatin1String(typed), filterIndex});
        EXPECT_EQ(command(u"/xpvfsave"_s), u"True"_s);
        EXPECT_EQ(QString::number(tc.dialogs->saveRequests.last().filterIndex), preselected);
        EXPECT_EQ(formatOf(path), type);
        preselected = QString::number(saveFileTypeNumber(QLatin1String(type)));
        EXPECT_EQ(tc.get("Options", "SaveFileType"), preselected);
        EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"Screenshot Saved To\r\n\r\n"_s + path});
    }

    // Without "SaveMsgBox" a save says nothing; a cancelled dialog neither, and saves nothing.
    tc.set("Options", "SaveMsgBox", u"0"_s);
    tc.dialogs->messages.clear();
    tc.dialogs->saveAnswers.enqueue({saveDir + u"/quiet.png"_s, 4});
    command(u"/xpvfsave"_s);
    EXPECT_EQ(command(u"/xpvfsave"_s), u"True"_s);
    EXPECT_EQ(tc.dialogs->saveRequests.size(), int(std::size(rows)) + 2);
    EXPECT_EQ(QDir(saveDir).count(), std::size(rows) + 3);  // with . and ..
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());

    // "No" to replacing a completed name that exists is back in the dialog with the name as typed
    // (cancelled then, as unscripted); "Yes" replaces the file.
    const QString jpg = saveDir + u"/shot.jpg"_s;
    ASSERT_TRUE(QFile::resize(jpg, 0));
    for (const int answer : {MsgBox::ResultNo, MsgBox::ResultYes}) {
        SCOPED_TRACE(answer);
        const bool again = answer == MsgBox::ResultNo;
        tc.dialogs->messages.clear();
        tc.dialogs->saveRequests.clear();
        tc.dialogs->answers.enqueue(answer);
        tc.dialogs->saveAnswers.enqueue({saveDir + u"/shot"_s, 3});
        command(u"/xpvfsave"_s);
        EXPECT_EQ(tc.dialogs->prompts(),
                  QStringList{u"shot.jpg already exists. Do you want to replace it?"_s});
        EXPECT_EQ(formatOf(jpg), again ? "other" : "jpg");
        EXPECT_EQ(tc.dialogs->saveRequests.size(), again ? 2 : 1);
        EXPECT_EQ(tc.dialogs->saveRequests.last().name, again ? u"shot"_s : QString());
    }
}

// The dialog opens in the nearest folder of "SaveDir" that exists, a relative one below home,
// with no name filled in, at the size the user last left it.
TEST_F(SelectAndSave, TheDialogOpensInTheNearestFolderThatExistsAtTheSizeLastGiven) {
    const QString home = QDir::homePath();
    QDir(home).mkpath(u"shots/day"_s);
    const std::pair<QString, QString> rows[] = {
        {home + u"/Desktop"_s, home},
        {u"shots/day/none/deeper"_s, home + u"/shots/day"_s},
        {u"/nowhere/at/all"_s, u"/"_s}};
    QSize last;
    for (const auto& [dir, folder] : rows) {
        SCOPED_TRACE(dir.toStdString());
        tc.set("Options", "SaveDir", dir);
        tc.set("Options", "SaveDirLen", QString::number(dir.size()));
        tc.dialogs->saveAnswers.enqueue({QString(), 0, QSize(700 + int(dir.size()), 500)});
        command(u"/xpvfsave"_s);
        const SaveDialogRequest& r = tc.dialogs->saveRequests.last();
        EXPECT_EQ(std::tuple(r.folder, r.name, r.size), std::tuple(folder, QString(), last));
        last = QSize(700 + int(dir.size()), 500);
    }
}

// Whatever the save command: a failed save shows what, where and why, once; a cancelled
// preview saves nothing and asks for no name; a screen that cannot be read is told once and
// logged, and shows no selection (a send's: WaylandSession.WithoutThePortalNothingIsSent…).
TEST_F(SelectAndSave, AFailedOrCancelledSaveSavesNothingForEverySaveCommand) {
    const QString path = saveDir + u"/missing/shot.jpg"_s;
    const QString failed = u"Error Saving Screenshot\r\n\r\nSave Failed\r\n\r\n"_s + path +
                           u"\r\n\r\nNo such file or directory"_s;
    const QString reason = u"the X server does not give out the pixels of the screen."_s;
    const QString unread = u"The screen could not be read: "_s + reason;
    for (const char* word : {"/xpvasave", "/xpvfsave", "/xpvssave"}) {
        SCOPED_TRACE(word);
        tc.set("Options", "PreviewSave", u"0"_s);
        tc.dialogs->messages.clear();
        tc.dialogs->saveAnswers.enqueue({path, 3});
        EXPECT_EQ(command(QLatin1String(word), drag({10, 10}, {60, 50})), u"True"_s);
        tc.set("Options", "PreviewSave", u"1"_s);
        tc.dialogs->saveRequests.clear();
        // The preview is cancelled.
        EXPECT_EQ(command(QLatin1String(word), drag({10, 10}, {60, 50})), u"True"_s);
        tc.screen->failReads(reason);
        const Gesture shown = [](frmSelect&) { ADD_FAILURE() << "a selection of nothing"; };
        EXPECT_EQ(command(QLatin1String(word), shown), u"True"_s);
        tc.screen->failReads({});
        EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
        EXPECT_EQ(tc.dialogs->prompts(), (QStringList{failed, unread}));
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(logLines().filter(unread).size(), 3);
}

// Through the chooser, the selected area goes through the preview into the file, and the
// command answers nothing to send once the save has ended, though an earlier send's file is named
// where the accepted preview left its answer. The chooser's cancel and its full-screen send are
// PreviewHost.AfterACopyToTheClipboard…'s, its other buttons CaptureChooser.Escape…'s.
TEST_F(ChooserCommand, EachButtonRunsItsPathAndTheAnswerFollows) {
    ASSERT_FALSE(tc.command(u"/xpvfull"_s).isEmpty());
    const QString target = saveDir + u"/b.png"_s;
    tc.dialogs->saveAnswers.enqueue({target, 4});
    // Clicks from a fresh event: a timer does not fire again while its own slot runs, and the
    // button opens modal windows.
    QTimer chooser;
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        if (CaptureChooser& c = tc.pv->saveForm(); c.isLoaded() && c.window()->isVisible()) {
            QTimer::singleShot(0, c.button("cmdSelected"), &VexelButton::Click);
        }
    });
    chooser.start(20);
    EXPECT_EQ(
        command(u"/xpvsave"_s, drag({10, 10}, {60, 50}), [](frmMain& f) { f.cmdSend_Click(); }),
        QString());
    EXPECT_EQ(tc.dialogs->saveRequests.size(), 1);
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"Screenshot Saved To\r\n\r\n"_s + target});
    EXPECT_EQ(QImage(target).size(), QSize(50, 40));
    EXPECT_EQ(tc.get("", "sResult"), QString());
}

// The library is looked for in the plug-in folder in any letter case (a trailing separator of
// the scripts folder is not doubled); without a scripts folder setting, at the root. Without the
// library the plug-in refuses to start, says why once, and still closes cleanly. Closed, it
// holds nothing of the host's. A host version out of range fails the call.
TEST(PVLifecycle, TheLibraryIsFoundWhateverItsLetterCaseOrNothingStarts) {
    EXPECT_THROW(TestComponent().pv->Initialize(40000, u"user@example.com"_s, nullptr),
                 PictavoError);
    // A plug-in folder of the test's own, holding the library under another name.
    const QString scripts = QDir::temp().filePath(u"scripts"_s);
    QDir().mkpath(scripts + u"/Pictavo Live"_s);
    QFile::copy(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"),
                scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s);
    // The scripts folder setting (none: not set) and the library path found.
    const std::pair<QString, QString> rows[] = {
        {{}, u"/Pictavo Live/libfreeimage.so.3"_s},
        {scripts, scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s},
        {QStringLiteral(PICTAVO_SCRIPTS_DIR "/"),
         QStringLiteral(PICTAVO_SCRIPTS_DIR "/Pictavo Live/libfreeimage.so.3")},
    };
    for (const auto& [scriptsDir, library] : rows) {
        SCOPED_TRACE(library.toStdString());
        const bool found = !scriptsDir.isEmpty();
        TestComponent tc;
        if (found) {
            tc.setScriptsDir(scriptsDir);
        }
        int messenger = 0;
        EXPECT_EQ(tc.pv->Initialize(4, u"user@example.com"_s, &messenger), found);
        EXPECT_EQ(tc.pv->pluginPath(), library);
        EXPECT_EQ(QFileInfo::exists(tc.pv->TempFolderPath()), found);
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(tc.pv->MSN(), nullptr);
        EXPECT_EQ(tc.dialogs->prompts(),
                  found ? QStringList()
                        : QStringList{u"libfreeimage.so.3 not found.  Please reinstall."_s});
    }
}

// Each operation says it once; none touches the store or the temporary folder. (An empty
// address, refused the same way, is HostOnScreen.SettingsAUserMightLeave…'s.)
TEST(PVLifecycle, AnAddressThatNamesNoKeyIsRefusedWithOneMessagePerOperation) {
    for (const auto& [email, reason] :
         {std::pair{u"alice@x\\Options"_s, "a backslash"}, {u"u@x\n"_s, "a control character"}}) {
        const QString message =
            u"The e-mail address \"%1\" cannot name a settings key: it holds %2."_s.arg(
                email, QLatin1String(reason));
        SCOPED_TRACE(reason);
        TestComponent tc;
        EXPECT_FALSE(tc.initialize(email));
        EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
        EXPECT_EQ(tc.command(u"/xpvoptions"_s), u"True"_s);
        EXPECT_EQ(tc.command(u"/nope"_s), u"False"_s);
        tc.pv->Configure();
        tc.pv->Uninitialize();
        EXPECT_EQ(tc.dialogs->prompts(), (QStringList(4, message)));
        EXPECT_FALSE(RegistryHive(RegistryHive::defaultPath())
                         .keyExists(RootKey::CurrentUser, u"SOFTWARE\\Quorrel"_s));
        EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
        EXPECT_EQ(tc.screen->grabs(), 0);
    }
}
