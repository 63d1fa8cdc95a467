#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <stdexcept>

#include "dialogs/FormObject.h"
#include "dialogs/MsgBoxEx.h"
#include "dialogs/QtDialogs.h"
#include "support/ScriptedDialogs.h"

using namespace pictavo;
using namespace Qt::StringLiterals;

namespace {

// A window with one button; its click, load, close and recovery from a failed handler do what
// the test asks.
class ButtonForm : public FormObject {
public:
    explicit ButtonForm(test::ScriptedDialogs& d) : FormObject([&d]() -> Dialogs& { return d; }) {}
    QPushButton* button() { return widget()->findChild<QPushButton*>(); }
    void click() { QTest::mouseClick(button(), Qt::LeftButton); }
    std::function<void()> onClick, onLoad = [] {}, onQueryUnload = [this] { Unload(); },
                                   onError = [] {};

protected:
    std::unique_ptr<QWidget> Form_Load() override {
        onLoad();
        auto w = std::make_unique<QWidget>();
        on(new QPushButton(w.get()), &QPushButton::clicked, [this] { onClick(); });
        return w;
    }
    void Form_QueryUnload() override { onQueryUnload(); }
    void Form_Error() override { onError(); }
};

const auto fails = [](const char* message) {
    return [message] { throw std::runtime_error(message); };
};

}  // namespace

TEST(FormObject, HandlersMayUnloadTheirOwnWindowAndNeverLetAnErrorThrough) {
    test::ScriptedDialogs dialogs;
    ButtonForm form(dialogs);
    form.onLoad = fails("no fonts");  // a load that throws loads nothing
    EXPECT_THROW(form.Load(), std::runtime_error);
    EXPECT_FALSE(form.isLoaded());
    form.onLoad = [] {};

    // Unloading from the button's own click: gone at once for the form, destroyed afterwards.
    form.onClick = [&] { form.Unload(); };
    const QPointer<QWidget> window = form.button()->window();
    form.click();
    EXPECT_FALSE(form.isLoaded());
    ASSERT_TRUE(window) << "destroyed under its own handler";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);

    // A failing handler or close: its message is shown once and the window stays as it was.
    form.onClick = fails("the store is locked");
    form.click();
    form.onQueryUnload = fails("cannot close now");
    form.button()->window()->show();
    form.button()->window()->close();
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(dialogs.prompts(), (QStringList{"the store is locked", "cannot close now"}));
    form.onQueryUnload = [] {};  // a close asked for is the form's to refuse
    form.button()->window()->close();
    EXPECT_TRUE(form.isLoaded());

    // A window that cannot be left half-done unloads from a failed handler, before the message.
    form.onError = [&form] { form.Unload(); };
    form.onClick = fails("disk full");
    form.click();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(dialogs.prompts().last(), QStringLiteral("disk full"));
}

// The real box, centred over the window the user works in, answered by a timer that clicks its
// button. Without one it stands on the screen under the pointer (PlacementHost shows it), else on
// the primary screen.
TEST(QtDialogs, ShowsTheQuestionCentredAndReturnsTheAnswerCodes) {
    const QRect primary(0, 0, 1920, 1080);
    EXPECT_EQ(messageBoxArea({}, {primary, {1920, 0, 1280, 1024}}, {-5, 2000}), primary);
    EXPECT_EQ(messageBoxArea({}, {}, {}), QRect());
    QWidget working;
    working.setGeometry(60, 40, 500, 300);
    working.show();
    for (const auto& [click, expected] :
         {std::pair{QMessageBox::Yes, MsgBox::ResultYes}, {QMessageBox::No, MsgBox::ResultNo}}) {
        working.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&working));
        QString seenText;
        QPoint seenCentre;
        QTimer answer;  // tried until the box shows, so a box that comes late is still answered
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                box && box->isVisible()) {
                seenText = box->text();
                seenCentre = box->geometry().center();
                box->button(click)->click();
            }
        });
        answer.start(50);
        MessageBoxRequest request;
        request.prompt = u"Question?"_s;
        request.buttons = MsgBox::YesNo;
        EXPECT_EQ(QtDialogs().messageBox(request), expected);
        EXPECT_EQ(seenText, u"Question?"_s);
        EXPECT_LE((seenCentre - working.frameGeometry().center()).manhattanLength(), 1);
    }
}

// A face that is not installed opens as a stand-in: OK without a change keeps the stored font.
TEST(QtDialogs, AnUnchangedFontChooserGivesBackTheStoredFont) {
    QFont stored(u"No Such Face"_s, 9);
    stored.setBold(true);
    for (const int size : {0, 20}) {  // 0: no change
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [size] {
            if (auto* chooser = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
                QFont f = chooser->currentFont();
                f.setPointSize(size > 0 ? size : f.pointSize());
                chooser->setCurrentFont(f);
                chooser->accept();
            }
        });
        answer.start(50);
        const std::optional<QFont> chosen = QtDialogs().chooseFont(u"Choose Font"_s, stored);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(*chosen == stored, size == 0) << chosen->toString().toStdString();
    }
}
