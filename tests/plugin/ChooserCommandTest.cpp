#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTimer>

#include "capture/frmSave.h"
#include "capture/frmSelect.h"
#include "capture/frmSelectWindow.h"
#include "capture/frmSend.h"
#include "controls/VexelButton.h"
#include "preview/frmMain.h"
#include "preview/frmMainWindow.h"
#include "settings/Settings.h"
#include "support/TestComponent.h"

using namespace pictavo;
using pictavo::test::TestComponent;

namespace {

enum class Preview { None, Accept, Cancel };

struct Row {
    const char* name;
    const char* command;
    const char* button;
    Preview preview;
    const char* saveAs;  // file name in the save folder, or null for no save dialog
    const char* answer;  // "path" for a sent file
    const char* message;
    QSize saved;
};

}  // namespace

TEST(ChooserCommand, EachButtonRunsItsPathAndTheAnswerFollows) {
    const QString folder = QDir::temp().filePath(QStringLiteral("shots"));
    QDir().mkpath(folder);
    const Row rows[] = {
        // clang-format off
        {"send full", "/xpvsend", "cmdFull", Preview::None, nullptr, "path", nullptr, {}},
        {"send cancel", "/xpvsend", "cmdCancel", Preview::None, nullptr, "", nullptr, {}},
        {"save cancel", "/xpvsave", "cmdCancel", Preview::None, nullptr, "", nullptr, {}},
        {"save full", "/xpvsave", "cmdFull", Preview::Accept, "a.png", "", "Screenshot Saved To", {320, 200}},
        {"save region", "/xpvsave", "cmdSelected", Preview::Accept, "b.png", "", "Screenshot Saved To", {50, 40}},
        {"failed save", "/xpvsave", "cmdActive", Preview::Accept, "missing/c.png", "", "Error Saving Screenshot", {}},
        {"cancelled preview", "/xpvsave", "cmdFull", Preview::Cancel, nullptr, "", nullptr, {}},
        // clang-format on
    };
    QImage screen(320, 200, QImage::Format_RGB32);
    screen.fill(QColor(10, 120, 200));
    TestComponent tc(screen);
    ASSERT_TRUE(tc.initialize());
    tc.set("Options", "Preview", QStringLiteral("0"));

    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        tc.dialogs->messages.clear();
        tc.dialogs->saveRequests.clear();
        const QString target =
            r.saveAs ? folder + QLatin1Char('/') + QLatin1String(r.saveAs) : QString();
        if (r.saveAs) {
            tc.dialogs->saveAnswers.enqueue({target, 4});
        }
        // Plays the user: the button in the chooser, a drag in the selection, the preview's
        // answer; gives up after ten seconds.
        int ticks = 0;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            CaptureChooser& chooser = QByteArray(r.command) == "/xpvsend"
                                          ? static_cast<CaptureChooser&>(tc.pv->sendForm())
                                          : tc.pv->saveForm();
            frmSelect& select = tc.pv->selectForm();
            frmMain& preview = tc.pv->mainForm();
            // Acts from a fresh event, since a timer does not fire again while its own slot runs
            // (and a button may open a modal window).
            if (chooser.isLoaded() && chooser.window()->isVisible()) {
                QTimer::singleShot(0, chooser.button(r.button), &VexelButton::Click);
            } else if (select.isLoaded() && select.window()->isVisible()) {
                select.Picture1_MouseDown(Qt::LeftButton, {10, 10});
                select.Picture1_MouseUp(Qt::LeftButton, {60, 50});
            } else if (preview.isLoaded() && preview.window()->isVisible()) {
                if (r.preview == Preview::Cancel || ++ticks > 500) {
                    preview.cmdCancel_Click();
                } else {
                    preview.cmdSend_Click();
                }
            }
        });
        user.start(20);
        const QString answer = tc.command(QLatin1String(r.command));

        if (QByteArray(r.answer) == "path") {
            EXPECT_TRUE(answer.endsWith(QStringLiteral(".png"))) << answer.toStdString();
            EXPECT_EQ(QImage(answer).size(), QSize(320, 200));
        } else {
            EXPECT_EQ(answer, QLatin1String(r.answer));
        }
        EXPECT_EQ(tc.dialogs->saveRequests.size(), r.saveAs ? 1 : 0);
        // One message at most, naming the file.
        const QStringList shown = tc.dialogs->prompts();
        ASSERT_EQ(shown.size(), r.message ? 1 : 0);
        if (r.message) {
            EXPECT_TRUE(shown[0].startsWith(QLatin1String(r.message) + QStringLiteral("\r\n\r\n")));
            EXPECT_TRUE(shown[0].contains(target));
        }
        const QImage saved(target);
        EXPECT_EQ(saved.isNull() ? QSize() : saved.size(), r.saved);
        EXPECT_EQ(tc.get("", "sResult"), QString());
    }
}
