#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "dialogs/FormObject.h"
#include "support/ScriptedDialogs.h"

using namespace pictavo;

namespace {

// A window with one button whose handler does what the test asks.
class ButtonForm : public FormObject {
public:
    explicit ButtonForm(test::ScriptedDialogs& dialogs)
        : FormObject([&dialogs]() -> Dialogs& { return dialogs; }) {}
    QPushButton* button() { return widget()->findChild<QPushButton*>(); }
    std::function<void()> onClick;

protected:
    std::unique_ptr<QWidget> Form_Load() override {
        auto w = std::make_unique<QWidget>();
        on(new QPushButton(w.get()), &QPushButton::clicked, [this] { onClick(); });
        return w;
    }
};

}  // namespace

TEST(FormObject, HandlersMayUnloadTheirOwnWindowAndNeverLetAnErrorThrough) {
    test::ScriptedDialogs dialogs;
    ButtonForm form(dialogs);

    // Unloading from the button's own click: gone at once for the form, destroyed afterwards.
    form.onClick = [&] { form.Unload(); };
    const QPointer<QWidget> window = form.button()->window();
    QTest::mouseClick(form.button(), Qt::LeftButton);
    EXPECT_FALSE(form.isLoaded());
    ASSERT_TRUE(window) << "destroyed under its own handler";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);

    // A failing handler: its message is shown once and the window stays as it was.
    form.onClick = [] { throw std::runtime_error("the store is locked"); };
    QTest::mouseClick(form.button(), Qt::LeftButton);
    EXPECT_TRUE(form.isLoaded());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].prompt, QStringLiteral("the store is locked"));

    // A modal show ends when a handler hides the window, which then stays loaded.
    form.onClick = [&] { form.button()->window()->hide(); };
    QTimer::singleShot(0, [&] { QTest::mouseClick(form.button(), Qt::LeftButton); });
    // A watchdog, gone with the window, so a modal show that never ends cannot hang the suite.
    QTimer::singleShot(5000, form.button(), [&] { form.Unload(); });
    form.Show();
    EXPECT_TRUE(form.isLoaded());
}
