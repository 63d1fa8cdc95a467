#include <gtest/gtest.h>

#include <QTest>

#include "controls/VexelButton.h"
#include "support/TestComponent.h"

using namespace pictavo;
using pictavo::test::TestComponent;

TEST(CaptureChooser, EveryWayOutLeavesItsOwnResult) {
    TestComponent tc;
    ASSERT_TRUE(tc.initialize());
    const struct {
        const char* name;
        std::function<void(CaptureChooser&)> leave;
        const char* result;
        std::optional<CaptureKind> ran;
    } rows[] = {
        // clang-format off
        {"Cancel", [](CaptureChooser& c) { c.button("cmdCancel")->Click(); }, "#", {}},
        {"Escape", [](CaptureChooser& c) { QTest::keyClick(c.window(), Qt::Key_Escape); }, "#", {}},
        {"close keeps what was there", [](CaptureChooser& c) { c.button("cmdX")->Click(); }, "changed", {}},
        {"a kind runs its path hidden", [](CaptureChooser& c) { c.button("cmdFull")->Click(); }, "changed", CaptureKind::FullScreen},
        // clang-format on
    };
    for (CaptureChooser* chooser : {static_cast<CaptureChooser*>(&tc.pv->sendForm()),
                                    static_cast<CaptureChooser*>(&tc.pv->saveForm())}) {
        for (const auto& r : rows) {
            SCOPED_TRACE(r.name);
            std::optional<CaptureKind> ran;
            bool hiddenWhileRunning = false;
            chooser->setAction([&](CaptureKind kind) {
                ran = kind;
                hiddenWhileRunning = !chooser->window()->isVisible();
            });
            tc.set("", "sResult", QStringLiteral("stale"));
            chooser->window()->show();
            chooser->window()->activateWindow();
            QApplication::processEvents();
            EXPECT_EQ(tc.get("", "sResult"), QStringLiteral("#"));  // written at load
            tc.set("", "sResult", QStringLiteral("changed"));
            r.leave(*chooser);
            EXPECT_FALSE(chooser->isLoaded());
            EXPECT_EQ(tc.get("", "sResult"), QLatin1String(r.result));
            EXPECT_EQ(ran, r.ran);
            EXPECT_EQ(hiddenWhileRunning, r.ran.has_value());
        }
    }
}
