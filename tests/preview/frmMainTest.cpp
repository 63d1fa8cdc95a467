#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>
#include <functional>

#include "controls/VexelButton.h"
#include "preview/AnnotatedCanvas.h"
#include "preview/AreaAverage.h"
#include "preview/Canvas.h"
#include "preview/CanvasImage.h"
#include "preview/DrawToolsPalette.h"
#include "preview/frmMain.h"
#include "preview/frmMainWindow.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace Qt::StringLiterals;

namespace pictavo {
namespace {

const QString kDrawTools = QStringLiteral("DrawTools");

// A capture with structure in it, so that a wrong offset or scale shows.
QImage testCard(QSize size) {
    return test::testScreen(size.width(), size.height());
}

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        tc.pv->mainForm().UserEmail = QStringLiteral("user@example.com");
        tc.pv->settings().checkRegistry();
        form = std::make_unique<frmMain>([this]() -> Dialogs& { return *tc.dialogs; },
                                         [this]() -> Settings& { return tc.pv->settings(); },
                                         [this]() -> ScreenSource* { return tc.screen; });
    }

    Settings& settings() { return tc.pv->settings(); }

    QSize areaSize() {
        form->doSetup();
        return form->picHidden()->size();
    }

    void showCapture(const QImage& image) {
        form->setCapture(CapturePicture(image));
        form->doSetup();
        form->doScale();
    }

    void showActive() {
        form->window()->show();
        form->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->window()));
    }

    void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    test::TestComponent tc;
    std::unique_ptr<frmMain> form;
};

// A capture one pixel wider than the area is reduced by area averaging; the palette is offered
// all the same. Reduced or not, the canvas is centred. (Where reducing starts is
// PreviewLayout.CapturePlacementInTheArea's; a capture that fits is shown pixel for pixel in
// PreviewHost.AtScaleTwoAWindowThatFitsIsShown...)
TEST_F(PreviewWindow, CapturesAreShownOneToOneOnlyWhenTheyFit) {
    const QSize area = areaSize();
    const QImage capture = testCard(area + QSize(1, 0));
    showCapture(capture);
    const QSize shown(area.width(), area.height() * area.width() / (area.width() + 1));
    Canvas* canvas = form->picPreview();
    EXPECT_TRUE(form->bScaled);
    EXPECT_FALSE(form->picDrawTools()->isHidden());
    EXPECT_EQ(canvas->geometry(), QRect(QPoint(0, (area.height() - shown.height()) / 2), shown));
    EXPECT_EQ(canvas->image().committed(), reduceByAreaAverage(capture, shown));
    // The full-size capture stays as it was for the encoders.
    EXPECT_EQ(form->picScreenie.image(), capture);
    showCapture(testCard(QSize(40, 30)));
    EXPECT_EQ(form->picPreview()->geometry(),
              QRect(QPoint((area.width() - 40) / 2, (area.height() - 30) / 2), QSize(40, 30)));
}

TEST_F(PreviewWindow, AcceptHidesTheWindowAndKeepsItLoaded) {
    // The window loads to take the capture while "sTemp" still names the previous file; the
    // pipeline names the new one after that.
    settings().setValue(QString(), QStringLiteral("sTemp"),
                        QStringLiteral("/tmp/pictavo/My_Screenshot.png"));
    settings().setValue(QString(), QStringLiteral("Log"), QStringLiteral("1"));
    QFile::remove(DiagnosticLog::LogFilePath());
    showCapture(testCard(QSize(200, 100)));
    const QString path = QStringLiteral("/tmp/pictavo/My_Screenshot2.png");
    settings().setValue(QString(), QStringLiteral("sTemp"), path);
    ASSERT_EQ(form->Tool, DrawingState::Line);

    showActive();
    click(form->cmdSend());

    ASSERT_TRUE(form->isLoaded());
    EXPECT_TRUE(form->window()->isHidden());
    EXPECT_EQ(form->Tool, DrawingState::None);
    EXPECT_EQ(settings().value(QString(), QStringLiteral("sResult")), path);
    EXPECT_EQ(test::logLines(),
              (QStringList{QStringLiteral("frmMain - cmdSend_Click - sTemp:  ") + path,
                           QStringLiteral("frmMain - cmdSend_Click - End")}));
    // The canvas is still there for the encoders.
    EXPECT_EQ(form->picPreview()->image().committed().size(), QSize(200, 100));
}

// Each tool chosen by its button is lit again, with "Tool" holding the button's index, when the
// window comes back; only the text tool shows its font frame.
TEST_F(PreviewWindow, ToolButtonsSelectTheirToolsAndTheChoiceOutlivesTheWindow) {
    const qint32 tools[] = {DrawingState::Line,      DrawingState::Freehand, DrawingState::Circle,
                            DrawingState::Rectangle, DrawingState::Text,     DrawingState::Arrow,
                            DrawingState::Pixelate};
    const auto chosen = [&](int button) {
        EXPECT_EQ(form->Tool, tools[button]);
        EXPECT_EQ(form->picDrawTools()->frmFont()->isHidden(), button != 4);
    };
    for (int button = 0; button < 7; ++button) {
        SCOPED_TRACE(button);
        showCapture(testCard(QSize(120, 90)));
        click(form->picDrawTools()->cmdTool(button));
        chosen(button);
        EXPECT_EQ(settings().value(kDrawTools, QStringLiteral("Tool")), QString::number(button));
        form->cmdX_Click();
        ASSERT_FALSE(form->isLoaded());
        showCapture(testCard(QSize(120, 90)));
        EXPECT_EQ(form->picDrawTools()->highlightedToolButton(), button);
        chosen(button);
        form->cmdX_Click();
    }
    // A stored button beyond the palette's reads as the first.
    settings().setValue(kDrawTools, QStringLiteral("Tool"), QStringLiteral("7"));
    showCapture(testCard(QSize(120, 90)));
    EXPECT_EQ(form->picDrawTools()->highlightedToolButton(), 0);
    chosen(0);
}

TEST_F(PreviewWindow, WidthControls) {
    showCapture(testCard(QSize(60, 60)));
    DrawToolsPalette* p = form->picDrawTools();
    QLineEdit* box = p->txtWidth();
    auto widthIs = [&](int w) {
        EXPECT_EQ(form->Len, w);
        EXPECT_EQ(box->text(), QString::number(w));
        EXPECT_EQ(form->picPreview()->image().penWidth(), w);
    };
    const int presets[] = {1, 3, 5, 9};
    for (int i = 0; i < 4; ++i) {
        click(p->cmdWidth(i));
        widthIs(presets[i]);
        EXPECT_EQ(p->markedWidthButton(), i);
    }
    // One step each way, and none below one.
    click(p->cmdWidthLess());
    widthIs(8);
    EXPECT_EQ(p->markedWidthButton(), -1);
    click(p->cmdWidthMore());
    widthIs(9);
    click(p->cmdWidth(0));
    click(p->cmdWidthLess());
    widthIs(1);

    // Typing: letters and signs are swallowed, digits and Backspace go through; leaving
    // the box takes its value.
    showActive();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("1a-x2.,"));
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("1"));
    QTest::keyClicks(box, QStringLiteral("5"));
    form->txtDummy()->setFocus();
    widthIs(15);

    for (const auto& [text, width] : {std::pair{"", 1}, {"000", 1}, {"99999", 32767}}) {
        box->setFocus();
        box->setText(QString::fromLatin1(text));
        form->txtDummy()->setFocus();
        widthIs(width);
    }
}

// Stored drawing values come back with the window, a reduced one too (the values the pipeline
// stores after a cancel are SendCommand.ThePreviewsAnswer...'s); a stored style shows lit, and
// the style buttons toggle the text's font.
TEST_F(PreviewWindow, StoredDrawingValuesComeBackAndStyleButtonsToggleTheFont) {
    settings().setValue(kDrawTools, QStringLiteral("Len"), QStringLiteral("7"));
    settings().setValue(kDrawTools, QStringLiteral("Colour"), QStringLiteral("65280"));
    settings().setValue(kDrawTools, QStringLiteral("Text"), QStringLiteral("stored"));
    settings().setValue(kDrawTools, QStringLiteral("FontItalic"), QStringLiteral("1"));
    showCapture(testCard(areaSize() + QSize(10, 10)));
    ASSERT_TRUE(form->bScaled);
    EXPECT_EQ(form->Len, 7);
    EXPECT_EQ(form->Colour, 65280);
    EXPECT_EQ(form->textToolText(), QStringLiteral("stored"));

    // The current colour is framed, the stored one and then the one clicked.
    DrawToolsPalette* p = form->picDrawTools();
    EXPECT_EQ(p->markedColourButton(), 6);
    click(p->cmdColour(3));
    EXPECT_EQ(p->markedColourButton(), 3);

    for (bool on : {false, true, false}) {
        EXPECT_EQ(p->lblTextFormat()->font().bold(), on);
        EXPECT_EQ(p->cmdFontStyle(0)->backColour(),
                  on ? DrawToolsPalette::styleOnFace() : QColor(255, 255, 255));
        click(p->cmdFontStyle(0));
    }
    EXPECT_TRUE(form->textToolFont().italic());
    EXPECT_EQ(p->cmdFontStyle(1)->backColour(), DrawToolsPalette::styleOnFace());
    click(p->cmdFontStyle(1));
    EXPECT_FALSE(p->lblTextFormat()->font().italic());
    click(p->cmdFontStyle(2));
    click(p->cmdFontStyle(3));
    EXPECT_TRUE(p->lblTextFormat()->font().underline());
    EXPECT_TRUE(p->lblTextFormat()->font().strikeOut());

    // A click on the sample asks for a font, preset with the sample's; the chosen one is the
    // text's font from then on, the window gone too (that is what the pipeline stores).
    click(p->cmdTool(4));
    const QFont chosen(QStringLiteral("DejaVu Serif"), 21, QFont::Bold);
    tc.dialogs->fonts.enqueue(chosen);
    const QList<QFont> asked{p->lblTextFormat()->font()};
    click(p->lblTextFormat());
    ASSERT_EQ(tc.dialogs->fontsAsked, asked);
    EXPECT_EQ(p->lblTextFormat()->font(), chosen);
    EXPECT_EQ(p->cmdFontStyle(0)->backColour(), DrawToolsPalette::styleOnFace());
    form->cmdX_Click();
    EXPECT_EQ(form->textToolFont(), chosen);
}

// A line drawn with the mouse, taken back and brought back again with every key and button
// for it, and copied as it is with Ctrl+C.
TEST_F(PreviewWindow, DrawingUndoRedoAndCopyWithMouseAndKeys) {
    const QImage capture = testCard(QSize(160, 120));
    showCapture(capture);
    showActive();
    DrawToolsPalette* p = form->picDrawTools();
    click(p->cmdTool(0));
    click(p->cmdColour(3));  // red
    click(p->cmdWidth(1));   // 3
    EXPECT_FALSE(p->cmdUndo()->isEnabled());

    Canvas* canvas = form->picPreview();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(120, 100));
    QTest::mouseMove(canvas, QPoint(60, 10));
    QTest::mouseMove(canvas, QPoint(20, 30));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));

    const QImage drawn = annotatedPicture(
        capture, {Annotation{DrawingState::Line, 0x0000FF, 3, {{120, 100}, {20, 30}}, {}, {}, {}}});
    ASSERT_EQ(canvas->image().committed(), drawn);

    QWidget* w = form->window();
    const struct {
        const char* name;
        std::function<void()> undo;
        std::function<void()> redo;
    } rows[] = {
        // clang-format off
        {"ctrl_z_and_ctrl_shift_z", [&] { QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier); }, [&] { QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }},
        {"ctrl_y", [&] { QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier); }, [&] { QTest::keyClick(w, Qt::Key_Y, Qt::ControlModifier); }},
        // clang-format on
        {"buttons", [&] { click(p->cmdUndo()); }, [&] { click(p->cmdRedo()); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.undo();
        EXPECT_EQ(canvas->image().committed(), capture);
        EXPECT_FALSE(p->cmdUndo()->isEnabled());
        EXPECT_TRUE(p->cmdRedo()->isEnabled());
        r.redo();
        EXPECT_EQ(canvas->image().committed(), drawn);
    }
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), drawn);
}

// Escape, Cancel, the close button and the window manager's close cancel and unload the window.
// No key sends but Return or Enter outside the text boxes: not Space on the picture or on the
// accept button, not typing. Return in a text box takes its value and leaves the box, as a click
// elsewhere does. Whatever palette control was clicked last, the focus is in no text box (not in
// the hidden one, which no Tab reaches either), and Return accepts. (Escape alone, and Return
// after a swatch, are PreviewHost.ReturnAfterASwatchSends...'s too.)
TEST_F(PreviewWindow, EscapeCancelsAndOnlyReturnOutsideTheTextBoxesAccepts) {
    const QString path = QStringLiteral("/tmp/pictavo/My_Screenshot.png");
    const QString cancel = QStringLiteral("Cancel");
    settings().setValue(QString(), QStringLiteral("sTemp"), path);
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto type = [](QWidget* w, const QString& keys) { QTest::keyClicks(w, keys); };
    using Palette = DrawToolsPalette;
    const struct {
        const char* name;
        std::function<void(frmMain&, Palette&)> act;
        QString result;  // empty: still open
    } rows[] = {
        // clang-format off
        {"enter_after_tool", [&](frmMain&, Palette& p) { click(p.cmdTool(4)), QTest::keyClick(focused(), Qt::Key_Enter); }, path},
        {"style", [&](frmMain&, Palette& p) { click(p.cmdFontStyle(1)); }, {}},
        {"width", [&](frmMain&, Palette& p) { click(p.cmdWidthMore()); }, {}},
        {"space_on_picture", [&](frmMain& f, Palette&) { click(f.picPreview()), type(focused(), u" "_s); }, {}},
        {"typing_after_swatch", [&](frmMain&, Palette& p) { click(p.cmdColour(2)), type(focused(), u"a note"_s); }, {}},
        {"space_on_accept", [&](frmMain& f, Palette&) { f.cmdSend()->setFocus(), type(f.cmdSend(), u" "_s); }, {}},
        {"return_in_text", [&](frmMain& f, Palette& p) { click(p.cmdTool(4)), type(f.txtText(), u" now\r"_s); }, {}},
        {"return_in_width", [&](frmMain&, Palette& p) { click(p.txtWidth()), type(focused(), u"7\r"_s); }, {}},
        {"escape_after_swatch", [&](frmMain&, Palette& p) { click(p.cmdColour(1)), QTest::keyClick(focused(), Qt::Key_Escape); }, cancel},
        {"cancel_button", [&](frmMain& f, Palette&) { click(f.cmdCancel()); }, cancel},
        {"close_button", [&](frmMain& f, Palette&) { click(f.cmdX()); }, cancel},
        {"window_manager_close", [](frmMain& f, Palette&) { f.window()->close(); }, cancel},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        settings().setValue(QString(), QStringLiteral("sResult"), QString());
        showCapture(testCard(QSize(120, 90)));
        showActive();
        r.act(*form, *form->picDrawTools());
        EXPECT_EQ(settings().value(QString(), QStringLiteral("sResult")), r.result);
        EXPECT_EQ(form->isLoaded(), r.result != cancel);
        if (r.result.isEmpty()) {
            ASSERT_TRUE(form->window()->isVisible());
            ASSERT_NE(focused(), nullptr);
            EXPECT_EQ(qobject_cast<QLineEdit*>(focused()), nullptr);
            EXPECT_EQ(QString::number(form->Len), form->picDrawTools()->txtWidth()->text());
            QTest::keyClick(focused(), Qt::Key_Return);
            EXPECT_EQ(settings().value(QString(), QStringLiteral("sResult")), path);
        }
        form->Unload();
    }
    EXPECT_EQ(form->txtDummy()->focusPolicy(), Qt::NoFocus);
}

// A pixelated area on a reduced preview (half size here) reaches the file at full size, where the
// pointer put it on the capture, in blocks of the full-size capture's means, shown reduced.
TEST_F(PreviewWindow, PixelateOnAReducedPreviewReachesTheFileAtFullSize) {
    const QImage capture = testCard(areaSize() * 2);
    showCapture(capture);
    click(form->picDrawTools()->cmdTool(6));
    Canvas* canvas = form->picPreview();
    const auto drag = [canvas] {
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(20, 15));
        QTest::mouseMove(canvas, QPoint(90, 60));
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(90, 60));
    };
    drag();
    ASSERT_EQ(form->annotations.items().size(), 1u);
    const Annotation& item = form->annotations.items()[0];
    EXPECT_EQ(item.points, (std::vector<QPoint>{{40, 30}, {180, 120}}));
    EXPECT_EQ(item.blocks, pixelateBlocks(capture, QRect(40, 30, 140, 90)));
    EXPECT_EQ(*form->finishedPicture(), annotatedPicture(capture, {item}));
    EXPECT_EQ(canvas->image().committed().pixel(21, 16), item.blocks.pixel(0, 0));

    // An arrow over it reaches the file at full size too: its tip at the capture's point.
    const Annotation blocks = item;
    click(form->picDrawTools()->cmdTool(5));
    drag();
    ASSERT_EQ(form->annotations.items().size(), 2u);
    const Annotation& arrow = form->annotations.items()[1];
    EXPECT_EQ(arrow.points, (std::vector<QPoint>{{40, 30}, {180, 120}}));
    EXPECT_EQ(*form->finishedPicture(), annotatedPicture(capture, {blocks, arrow}));
    EXPECT_NE(form->finishedPicture()->pixel(178, 118),
              annotatedPicture(capture, {blocks}).pixel(178, 118));
}

TEST_F(PreviewWindow, FixedControlsStandWhereTheyBelong) {
    frmMainWindow* w = form->window();
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->cmdCancel()->caption(), QStringLiteral("&Cancel"));
    EXPECT_TRUE(form->lblBigOverlay()->isHidden());
    // The palette stands clear of the preview area.
    showCapture(testCard(QSize(40, 40)));
    EXPECT_LT(form->picDrawTools()->geometry().bottom(), form->picHidden()->geometry().top());
    // The focus parking box is outside the visible area; the buttons are below the area.
    EXPECT_LT(form->txtDummy()->geometry().bottom(), 0);
    EXPECT_LT(areaSize().height() + form->picHidden()->y(), form->cmdSend()->geometry().top());

    // The window takes 85% of the height above the taskbar the screen reports, and keeps the
    // size it is laid out for: the window manager cannot resize or maximise it.
    const int fullHeight = w->height();
    form->Unload();
    tc.screen->setTaskbarHeight(100);
    EXPECT_NEAR(fullHeight - form->window()->height(), 85, 1);
    EXPECT_EQ(form->window()->minimumSize(), form->window()->maximumSize());

    // The palette stands clear of the logo too, in two rows on the smallest
    // window (a 1280x800 screen at scale 2 gives 544x340), in one on a wide one.
    for (const int width : {544, 1088}) {
        form->window()->setFixedSize(width, 340 * width / 544);
        showCapture(testCard(QSize(40, 40)));
        const QRect palette = form->picDrawTools()->geometry();
        EXPECT_FALSE(palette.intersects(form->imgLogo()->geometry()));
        EXPECT_TRUE(form->window()->rect().contains(palette));
        EXPECT_LT(palette.bottom(), form->picHidden()->geometry().top());
        EXPECT_EQ(palette.height() > form->imgLogo()->height(), width == 544) << width;
    }
}

}  // namespace
}  // namespace pictavo
