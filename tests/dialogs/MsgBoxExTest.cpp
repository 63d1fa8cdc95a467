#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "dialogs/MsgBoxEx.h"
#include "dialogs/QtDialogs.h"

using namespace pictavo;
using namespace Qt::StringLiterals;

// (Centring on the owner, or on the screen without one, is QtDialogs'.)
TEST(MsgBoxEx, PositionCentresOnTheOwnerUnlessCoordinatesAreGiven) {
    const struct {
        const char* name;
        QSize box;
        QRect owner;
        int x, y;
        QPoint expected;
    } rows[] = {
        {"odd halves round to even", {201, 81}, {0, 0, 101, 51}, -1, -1, {-50, -14}},
        {"x given", {200, 80}, {0, 0, 1000, 1000}, 7, -1, {7, 460}},
        {"both given", {200, 80}, {0, 0, 1000, 1000}, 7, 9, {7, 9}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(messageBoxPosition(r.box, r.owner, r.x, r.y), r.expected);
    }
}

TEST(MsgBoxEx, AreaIsTheOwnerElseTheScreenUnderThePointerElseThePrimaryScreen) {
    const QRect primary(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    const struct {
        const char* name;
        QRect owner;
        QList<QRect> screens;
        QPoint pointer;
        QRect expected;
    } rows[] = {
        {"pointer on the second screen", {}, {primary, right}, {2500, 900}, right},
        {"pointer off every screen", {}, {primary, right}, {-5, 2000}, primary},
        {"no screen", {}, {}, {0, 0}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(messageBoxArea(r.owner, r.screens, r.pointer), r.expected);
    }
}

// The real box, answered by a timer that clicks its button.
// Centred over the window the user works in when there is one, otherwise on the screen.
TEST(QtDialogs, ShowsTheQuestionCentredAndReturnsTheAnswerCodes) {
    const struct {
        const char* name;
        int buttons;
        QMessageBox::StandardButton click;
        int expected;
        QRect working;
    } rows[] = {
        // clang-format off
        {"OK", MsgBox::OkOnly, QMessageBox::Ok, MsgBox::ResultOk, {}},
        {"Yes over a window", MsgBox::YesNo, QMessageBox::Yes, MsgBox::ResultYes, {60, 40, 500, 300}},
        {"No", MsgBox::YesNo, QMessageBox::No, MsgBox::ResultNo, {}},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget working;
        if (!r.working.isEmpty()) {
            working.setGeometry(r.working);
            working.show();
            working.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&working));
        }
        QtDialogs dialogs;
        QString seenText;
        QString seenTitle;
        QPoint seenCentre;
        // Tried until the box shows, so a box that comes late is still answered.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    seenText = box->text();
                    seenTitle = box->windowTitle();
                    seenCentre = box->geometry().center();
                    box->button(r.click)->click();
                }
            }
        });
        answer.start(50);
        MessageBoxRequest request;
        request.prompt = u"Question?"_s;
        request.title = u"Pictavo 3"_s;
        request.buttons = r.buttons;
        EXPECT_EQ(dialogs.messageBox(request), r.expected);
        EXPECT_EQ(seenText, u"Question?"_s);
        EXPECT_EQ(seenTitle, u"Pictavo 3"_s);
        const QPoint centre = r.working.isEmpty()
                                  ? QGuiApplication::primaryScreen()->geometry().center()
                                  : working.frameGeometry().center();
        EXPECT_LE((seenCentre - centre).manhattanLength(), 1);
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
