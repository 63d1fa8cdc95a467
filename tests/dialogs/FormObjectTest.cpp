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

// A window with one button whose handler does what the test asks, as do its load, its close
// and its recovery from a failed handler.
class ButtonForm : public FormObject {
public:
    explicit ButtonForm(test::ScriptedDialogs& dialogs)
        : FormObject([&dialogs]() -> Dialogs& { return dialogs; }) {}
    QPushButton* button() { return widget()->findChild<QPushButton*>(); }
    std::function<void()> onClick;
    std::function<void()> onLoad = [] {};
    std::function<void()> onQueryUnload = [this] { Unload(); };
    std::function<void()> onError = [] {};

protected:
    std::unique_ptr<QWidget> Form_Load() override {
        auto w = std::make_unique<QWidget>();
        onLoad();
        on(new QPushButton(w.get()), &QPushButton::clicked, [this] { onClick(); });
        return w;
    }
    void Form_QueryUnload() override { onQueryUnload(); }
    void Form_Error() override { onError(); }
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

TEST(FormObject, ALoadThatThrowsLoadsNothingAndACloseOrAFailureEndsWhereTheFormSays) {
    test::ScriptedDialogs dialogs;
    ButtonForm form(dialogs);
    form.onLoad = [] { throw std::runtime_error("no fonts"); };
    EXPECT_THROW(form.Load(), std::runtime_error);
    EXPECT_FALSE(form.isLoaded());
    form.onLoad = [] {};

    // A close asked for is the form's to refuse; by default it unloads.
    form.onQueryUnload = [] {};
    form.button()->window()->show();
    form.button()->window()->close();
    EXPECT_TRUE(form.isLoaded());
    form.onQueryUnload = [] { throw std::runtime_error("cannot close now"); };
    form.button()->window()->close();
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(dialogs.prompts(), QStringList{QStringLiteral("cannot close now")});
    form.onQueryUnload = [&form] { form.Unload(); };
    form.button()->window()->close();
    EXPECT_FALSE(form.isLoaded());

    // A window that cannot be left half-done unloads from a failed handler, before the message.
    form.onError = [&form] { form.Unload(); };
    form.onClick = [] { throw std::runtime_error("disk full"); };
    QTest::mouseClick(form.button(), Qt::LeftButton);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(dialogs.prompts().last(), QStringLiteral("disk full"));
}
