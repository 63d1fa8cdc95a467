#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTimer>
#include <tuple>

#include "capture/frmSelect.h"
#include "capture/frmSelectWindow.h"
#include "controls/VexelButton.h"
#include "output/SaveToFile.h"
#include "preview/frmMain.h"
#include "preview/frmMainWindow.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::logLines;
using pictavo::test::TestComponent;
using pictavo::test::testScreen;

namespace {

// The kind of file by its first bytes.
QByteArray formatOf(const QString& path) {
    QFile f(path);
    const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(4) : QByteArray();
    return head.startsWith("BM")             ? "bmp"
           : head.startsWith("\xff\xd8\xff") ? "jpg"
           : head.startsWith("\x89PNG")      ? "png"
           : head.startsWith("II*")          ? "tif"
                                             : "other";
}

using Gesture = std::function<void(frmSelect&)>;

Gesture drag(QPoint from, QPoint to) {
    return [from, to](frmSelect& f) {
        f.Picture1_MouseDown(Qt::LeftButton, from);
        f.Picture1_MouseMove((from + to) / 2);
        f.Picture1_MouseUp(Qt::LeftButton, to);
    };
}

class SelectAndSave : public ::testing::Test {
protected:
    SelectAndSave() : tc(testScreen(320, 200)) {
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
    QString command(const QString& word, const Gesture& gesture = {},
                    const std::function<void(frmMain&)>& decide = {}) {
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
        return tc.pv->ParseCommand(word, QString(), nullptr);
    }

    TestComponent tc;
    const QString saveDir = QDir::temp().filePath(u"Saved Shots"_s);
};

}  // namespace

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
    const auto rightButton = [](frmSelect& f) {
        f.Picture1_MouseDown(Qt::RightButton, {10, 10});
        f.Picture1_MouseUp(Qt::RightButton, {10, 10});
    };
    const std::pair<const char*, Gesture> rows[] = {{"right button", rightButton},
                                                    {"click", drag({50, 60}, {50, 60})},
                                                    {"one axis", drag({50, 60}, {150, 60})}};
    for (const auto& [name, gesture] : rows) {
        for (const auto& [word, answer] : {std::pair{"/xpvselect", ""}, {"/xpvssave", "True"}}) {
            SCOPED_TRACE(std::string(name) + " " + word);
            QFile::remove(DiagnosticLog::LogFilePath());
            EXPECT_EQ(command(QLatin1String(word), gesture), QLatin1String(answer));
            EXPECT_TRUE(logLines().contains(u"Selection cancelled"_s));
            EXPECT_EQ(tc.get("", "sResult"), QString());
        }
    }
    EXPECT_TRUE(QDir(tc.pv->TempFolderPath()).isEmpty());
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
    EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
}

TEST_F(SelectAndSave, TheTypedNameIsCompletedAndSavedInTheChosenType) {
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
    EXPECT_EQ(tc.dialogs->saveRequests.first().owner, tc.pv->mainForm().window());

    // Without "SaveMsgBox" a save says nothing; a cancelled dialog neither, and saves nothing.
    tc.set("Options", "SaveMsgBox", u"0"_s);
    tc.dialogs->messages.clear();
    tc.dialogs->saveAnswers.enqueue({saveDir + u"/quiet.png"_s, 4});
    command(u"/xpvfsave"_s);
    EXPECT_EQ(command(u"/xpvfsave"_s), u"True"_s);
    EXPECT_EQ(tc.dialogs->saveRequests.size(), int(std::size(rows)) + 2);
    EXPECT_EQ(QDir(saveDir).count(), std::size(rows) + 3);  // with . and ..
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
}

// "No" to replacing the completed name is back in the dialog with the name as typed.
TEST_F(SelectAndSave, ACompletedNameThatExistsIsReplacedOnlyWhenTheUserSaysSo) {
    const QString path = saveDir + u"/shot.jpg"_s;
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    for (const int answer : {MsgBox::ResultNo, MsgBox::ResultYes}) {
        SCOPED_TRACE(answer);
        tc.dialogs->messages.clear();
        tc.dialogs->saveRequests.clear();
        tc.dialogs->answers.enqueue(answer);
        tc.dialogs->saveAnswers.enqueue({saveDir + u"/shot"_s, 3});
        command(u"/xpvfsave"_s);
        const bool again = answer == MsgBox::ResultNo;  // cancelled then, as unscripted
        const QString question = u"shot.jpg already exists. Do you want to replace it?"_s;
        const QString saved = u"Screenshot Saved To\r\n\r\n"_s + path;
        EXPECT_EQ(tc.dialogs->prompts(),
                  again ? QStringList{question} : (QStringList{question, saved}));
        EXPECT_EQ(formatOf(path), again ? "other" : "jpg");
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
// preview saves nothing and asks for no name.
TEST_F(SelectAndSave, AFailedOrCancelledSaveSavesNothingForEverySaveCommand) {
    const QString path = saveDir + u"/missing/shot.jpg"_s;
    const QString failed = u"Error Saving Screenshot\r\n\r\nSave Failed\r\n\r\n"_s + path +
                           u"\r\n\r\nNo such file or directory"_s;
    for (const char* word : {"/xpvasave", "/xpvfsave", "/xpvssave"}) {
        SCOPED_TRACE(word);
        tc.set("Options", "PreviewSave", u"0"_s);
        tc.dialogs->messages.clear();
        tc.dialogs->saveAnswers.enqueue({path, 3});
        EXPECT_EQ(command(QLatin1String(word), drag({10, 10}, {60, 50})), u"True"_s);
        EXPECT_EQ(tc.dialogs->prompts(), QStringList{failed});

        tc.set("Options", "PreviewSave", u"1"_s);
        tc.dialogs->saveRequests.clear();
        // The preview is cancelled.
        EXPECT_EQ(command(QLatin1String(word), drag({10, 10}, {60, 50})), u"True"_s);
        EXPECT_TRUE(tc.dialogs->saveRequests.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(path));
}

using ChooserCommand = SelectAndSave;

// Through the chooser, each button runs its path and the command answers once it has ended: the
// selected area goes through the preview into the file, and the active window's preview
// cancelled saves nothing and asks for no name. The chooser's cancel and its full-screen send are
// OptionsHost.ChoosersAnswer…'s.
TEST_F(ChooserCommand, EachButtonRunsItsPathAndTheAnswerFollows) {
    const QString target = saveDir + u"/b.png"_s;
    tc.dialogs->saveAnswers.enqueue({target, 4});
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        // Clicks from a fresh event: a timer does not fire again while its own slot runs, and the
        // button opens modal windows.
        QTimer chooser;
        QObject::connect(&chooser, &QTimer::timeout, [&] {
            if (CaptureChooser& c = tc.pv->saveForm(); c.isLoaded() && c.window()->isVisible()) {
                QTimer::singleShot(0, c.button(accept ? "cmdSelected" : "cmdActive"),
                                   &VexelButton::Click);
            }
        });
        chooser.start(20);
        const auto decide = [accept](frmMain& f) {
            accept ? f.cmdSend_Click() : f.cmdCancel_Click();
        };
        EXPECT_EQ(command(u"/xpvsave"_s, drag({10, 10}, {60, 50}), decide), QString());
        EXPECT_EQ(tc.dialogs->saveRequests.size(), 1);
        EXPECT_EQ(tc.dialogs->prompts(), QStringList{u"Screenshot Saved To\r\n\r\n"_s + target});
        EXPECT_EQ(QImage(target).size(), QSize(50, 40));
        EXPECT_EQ(tc.get("", "sResult"), QString());
    }
}
