#include <gtest/gtest.h>

#include <QTest>

#include "controls/VexelButton.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::TestComponent;

// The buttons through the commands are ChooserCommand.EachButtonRuns…'s and OptionsHost's;
// here the ways out no command answer shows: Escape cancels ("#"), the title bar's close keeps
// the result, and a chosen kind runs with the chooser hidden, out of its own picture.
TEST(CaptureChooser, EscapeCancelsCloseKeepsTheResultAndAKindRunsHidden) {
    TestComponent tc;
    ASSERT_TRUE(tc.initialize());
    CaptureChooser& chooser = tc.pv->sendForm();
    std::vector<std::pair<CaptureKind, bool>> ran;  // each kind run, and whether hidden then
    // The way out, and the result it leaves.
    const std::tuple<const char*, std::function<void()>, const char*> rows[] = {
        {"Escape", [&] { QTest::keyClick(chooser.window(), Qt::Key_Escape); }, "#"},
        {"close", [&] { chooser.button("cmdX")->Click(); }, "changed"},
        {"a kind", [&] { chooser.button("cmdFull")->Click(); }, "changed"},
    };
    for (const auto& [name, leave, result] : rows) {
        SCOPED_TRACE(name);
        chooser.setAction(
            [&](CaptureKind kind) { ran.emplace_back(kind, !chooser.window()->isVisible()); });
        tc.set("", "sResult", u"stale"_s);
        chooser.window()->show();
        chooser.window()->activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(tc.get("", "sResult"), u"#"_s);  // written at load
        tc.set("", "sResult", u"changed"_s);
        leave();
        EXPECT_FALSE(chooser.isLoaded());
        EXPECT_EQ(tc.get("", "sResult"), QLatin1String(result));
    }
    EXPECT_EQ(ran, (std::vector{std::pair(CaptureKind::FullScreen, true)}));
}
