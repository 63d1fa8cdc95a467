#include <gtest/gtest.h>

#include <QTest>

#include "controls/VexelButton.h"
#include "support/TestComponent.h"

using namespace pictavo;
using pictavo::test::TestComponent;

// The buttons through the commands are ChooserCommand.EachButtonRuns…'s and OptionsHost's;
// here the ways out no command answer shows: Escape cancels ("#"), the title bar's close keeps
// the result, and a chosen kind runs with the chooser hidden, out of its own picture.
TEST(CaptureChooser, EscapeCancelsCloseKeepsTheResultAndAKindRunsHidden) {
    TestComponent tc;
    ASSERT_TRUE(tc.initialize());
    CaptureChooser& chooser = tc.pv->sendForm();
    const struct {
        const char* name;
        std::function<void()> leave;
        const char* result;
        std::optional<CaptureKind> ran;
    } rows[] = {
        {"Escape", [&] { QTest::keyClick(chooser.window(), Qt::Key_Escape); }, "#", {}},
        {"close", [&] { chooser.button("cmdX")->Click(); }, "changed", {}},
        {"a kind", [&] { chooser.button("cmdFull")->Click(); }, "changed", CaptureKind::FullScreen},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::optional<CaptureKind> ran;
        bool hiddenWhileRunning = false;
        chooser.setAction([&](CaptureKind kind) {
            ran = kind;
            hiddenWhileRunning = !chooser.window()->isVisible();
        });
        tc.set("", "sResult", QStringLiteral("stale"));
        chooser.window()->show();
        chooser.window()->activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(tc.get("", "sResult"), QStringLiteral("#"));  // written at load
        tc.set("", "sResult", QStringLiteral("changed"));
        r.leave();
        EXPECT_FALSE(chooser.isLoaded());
        EXPECT_EQ(tc.get("", "sResult"), QLatin1String(r.result));
        EXPECT_EQ(ran, r.ran);
        EXPECT_EQ(hiddenWhileRunning, r.ran.has_value());
    }
}
