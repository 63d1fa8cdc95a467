#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "controls/VexelButton.h"
#include "preview/AnnotatedCanvas.h"
#include "preview/Canvas.h"
#include "preview/DrawToolsPalette.h"
#include "preview/PreviewLayout.h"
#include "preview/frmMain.h"
#include "preview/frmMainWindow.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/PixelChecks.h"
#include "support/TestComponent.h"

using namespace Qt::StringLiterals;

namespace pictavo {
namespace {

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        tc.pv->mainForm().UserEmail = QStringLiteral("user@example.com");
        tc.pv->settings().checkRegistry();
        form = std::make_unique<frmMain>([this]() -> Dialogs& { return *tc.dialogs; },
                                         [this]() -> Settings& { return tc.pv->settings(); },
                                         [this]() -> ScreenSource* { return tc.screen; });
    }

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

    // A drag across the preview, in the canvas's pixels, from a pointer that comes in at the
    // corner and the `buttons` pressed in turn at `from`.
    void drag(QPoint from, const std::vector<QPoint>& via, QPoint to,
              const std::vector<Qt::MouseButton>& buttons = {Qt::LeftButton}) {
        Canvas* canvas = form->picPreview();
        QTest::mouseMove(canvas, QPoint(0, 0));
        QTest::mouseMove(canvas, from);
        for (const Qt::MouseButton button : buttons) {
            QTest::mousePress(canvas, button, Qt::NoModifier, from);
        }
        for (const QPoint& p : via) {
            QTest::mouseMove(canvas, p);
        }
        for (const Qt::MouseButton button : buttons) {
            QTest::mouseRelease(canvas, button, Qt::NoModifier, to);
        }
    }

    // The text tool's font in every style that reaches beyond the letters, for the restores.
    void styleTheText() {
        for (const char* style : {"FontItalic", "FontUnderline", "FontStrikethru"}) {
            tc.set("DrawTools", style, QStringLiteral("1"));
        }
    }

    test::TestComponent tc;
    std::unique_ptr<frmMain> form;
};

// Stored drawing values come back with the window, a reduced one too (the values the pipeline
// stores after a cancel are SendCommand.ThePreviewsAnswer...'s), and the palette changes them: the
// current colour and width preset are framed, a stored style shows lit, and the style buttons
// toggle the text's font. Each tool chosen by its button is lit again, with "Tool" holding the
// button's index, when the window comes back; only the text tool shows its font frame.
TEST_F(PreviewWindow, StoredDrawingValuesComeBackAndStyleButtonsToggleTheFont) {
    for (const auto& [name, value] :
         {std::pair{"Len", "7"}, {"Colour", "65280"}, {"Text", "stored"}, {"FontItalic", "1"}}) {
        tc.set("DrawTools", name, QLatin1String(value));
    }
    showCapture(test::testScreen(2000, 2000));
    ASSERT_TRUE(form->bScaled);
    DrawToolsPalette* p = form->picDrawTools();
    QLineEdit* box = p->txtWidth();
    const auto widthIs = [&](int w, int marked) {
        EXPECT_EQ(form->Len, w);
        EXPECT_EQ(box->text(), QString::number(w));
        EXPECT_EQ(form->picPreview()->image().penWidth(), w);
        EXPECT_EQ(p->markedWidthButton(), marked);
    };
    widthIs(7, -1);
    EXPECT_EQ(form->Colour, 65280);
    EXPECT_EQ(form->textToolText(), QStringLiteral("stored"));
    EXPECT_EQ(p->markedColourButton(), 6);
    click(p->cmdColour(3));
    EXPECT_EQ(p->markedColourButton(), 3);

    // The width button clicked, the width and the preset framed after it; none below one.
    const std::tuple<QWidget*, int, int> clicks[] = {
        {p->cmdWidth(0), 1, 0}, {p->cmdWidth(1), 3, 1},     {p->cmdWidth(2), 5, 2},
        {p->cmdWidth(3), 9, 3}, {p->cmdWidthLess(), 8, -1}, {p->cmdWidthMore(), 9, 3},
        {p->cmdWidth(0), 1, 0}, {p->cmdWidthLess(), 1, 0},
    };
    for (const auto& [button, width, marked] : clicks) {
        click(button);
        widthIs(width, marked);
    }
    // Typing: letters and signs are swallowed, digits and Backspace go through; leaving the box
    // takes its value, within 1 and the largest width.
    showActive();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("1a-x2.,\b5"));
    form->txtDummy()->setFocus();
    widthIs(15, -1);
    for (const auto& [text, width] : {std::pair{"", 1}, {"000", 1}, {"99999", 32767}}) {
        box->setFocus();
        box->setText(QString::fromLatin1(text));
        form->txtDummy()->setFocus();
        widthIs(width, width == 1 ? 0 : -1);
    }

    // Each style button, lit while its style is on, turns it over and back (italic is stored).
    const std::pair<int, bool (QFont::*)() const> styles[] = {
        {0, &QFont::bold}, {1, &QFont::italic}, {2, &QFont::underline}, {3, &QFont::strikeOut}};
    const QColor lit = DrawToolsPalette::styleOnFace();
    for (const auto& [i, style] : styles) {
        SCOPED_TRACE(i);
        for (const bool on : {i == 1, i != 1, i == 1}) {
            EXPECT_EQ((p->lblTextFormat()->font().*style)(), on);
            EXPECT_EQ(p->cmdFontStyle(i)->backColour(), on ? lit : QColor(255, 255, 255));
            click(p->cmdFontStyle(i));
        }
    }

    // A click on the sample asks for a font, preset with the sample's; the chosen one is the
    // text's font from then on, the window gone too (that is what the pipeline stores).
    click(p->cmdTool(4));
    const QFont chosen(QStringLiteral("DejaVu Serif"), 21, QFont::Bold);
    tc.dialogs->fonts.enqueue(chosen);
    const QList<QFont> asked{p->lblTextFormat()->font()};
    click(p->lblTextFormat());
    ASSERT_EQ(tc.dialogs->fontsAsked, asked);
    EXPECT_EQ(p->lblTextFormat()->font(), chosen);
    EXPECT_EQ(p->cmdFontStyle(0)->backColour(), lit);
    form->cmdX_Click();
    EXPECT_EQ(form->textToolFont(), chosen);

    const qint32 tools[] = {DrawingState::Line,      DrawingState::Freehand, DrawingState::Circle,
                            DrawingState::Rectangle, DrawingState::Text,     DrawingState::Arrow,
                            DrawingState::Pixelate};
    const auto chosenTool = [&](int button) {
        EXPECT_EQ(form->picDrawTools()->highlightedToolButton(), button);
        EXPECT_EQ(form->Tool, tools[button]);
        EXPECT_EQ(form->picDrawTools()->frmFont()->isHidden(), button != 4);
    };
    for (int button = 0; button < 7; ++button) {
        SCOPED_TRACE(button);
        showCapture(test::testScreen(120, 90));
        click(form->picDrawTools()->cmdTool(button));
        chosenTool(button);
        form->cmdX_Click();
        EXPECT_EQ(tc.get("DrawTools", "Tool"), QString::number(button));
        showCapture(test::testScreen(120, 90));
        chosenTool(button);
        form->cmdX_Click();
    }
    // A stored button beyond the palette's reads as the first.
    tc.set("DrawTools", "Tool", QStringLiteral("7"));
    showCapture(test::testScreen(120, 90));
    chosenTool(0);
}

// A drag with the left button alone leaves one annotation, its finished shape, and no trace of
// the rubber bands: a line and a box end at the release, a circle at its last move, and a
// freehand stroke starts at the last pointer position. Other buttons, or no tool, draw nothing.
// A later drag across the canvas leaves the picture as it was. The text floats with the pointer,
// its top-left corner there, and goes when the pointer leaves the canvas, overhangs and lines
// included; a click places it for good, drawn once: the same pixels as while floating.
TEST_F(PreviewWindow, ADragCommitsOnlyTheFinishedShape) {
    using Buttons = std::vector<Qt::MouseButton>;
    const Buttons left{Qt::LeftButton};
    // The tool, the buttons pressed, where the drag starts, passes and ends, and the shape left.
    const std::tuple<const char*, qint32, Buttons, QPoint, std::vector<QPoint>, QPoint,
                     std::vector<QPoint>>
        rows[] = {
            // clang-format off
        {"line", DrawingState::Line, left, {10, 40}, {{40, 30}, {5, 5}, {60, 20}}, {70, 12}, {{10, 40}, {70, 12}}},
        {"box", DrawingState::Rectangle, left, {60, 50}, {{70, 55}, {2, 2}}, {20, 10}, {{60, 50}, {20, 10}}},
        {"circle", DrawingState::Circle, left, {10, 10}, {{50, 50}, {30, 10}}, {35, 12}, {{10, 10}, {30, 10}}},
        {"freehand", DrawingState::Freehand, left, {20, 20}, {{40, 20}, {40, 35}}, {40, 35}, {{20, 20}, {40, 20}, {40, 35}}},
        {"line, right button", DrawingState::Line, {Qt::RightButton}, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"circle, middle and left", DrawingState::Circle, {Qt::MiddleButton, Qt::LeftButton}, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"no tool", DrawingState::None, left, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"arrow", DrawingState::Arrow, left, {10, 40}, {{40, 30}, {5, 5}}, {70, 12}, {{10, 40}, {70, 12}}},
        {"arrow, a click", DrawingState::Arrow, left, {30, 30}, {{50, 40}}, {30, 30}, {}},
        // The area runs from corner to corner, the far one not included, and ends at the capture.
        {"pixelate", DrawingState::Pixelate, left, {60, 50}, {{70, 55}, {2, 2}}, {20, 10}, {{20, 10}, {60, 50}}},
        {"pixelate, off the edge", DrawingState::Pixelate, left, {50, 30}, {}, {99, 70}, {{50, 30}, {80, 60}}},
        {"pixelate, no area", DrawingState::Pixelate, left, {50, 30}, {{70, 40}}, {70, 30}, {}},
            // clang-format on
        };
    const QImage blank = test::testScreen(80, 60);
    showCapture(blank);
    showActive();
    for (const auto& [name, tool, buttons, from, via, to, shape] : rows) {
        SCOPED_TRACE(name);
        showCapture(blank);
        form->Tool = tool;
        form->Len = 3;
        drag(from, via, to, buttons);
        std::vector<Annotation> items;
        if (!shape.empty()) {
            items.push_back(Annotation{tool, form->Colour, 3, shape, {}, {}, {}});
        }
        if (tool == DrawingState::Pixelate && !items.empty()) {
            items[0].blocks = pixelateBlocks(blank, QRect(shape[0], shape[1] - QPoint(1, 1)));
        }
        ASSERT_EQ(form->annotations.items().size(), items.size());
        EXPECT_TRUE(items.empty() || form->annotations.items()[0].points == shape);
        EXPECT_EQ(form->picPreview()->image().committed(), annotatedPicture(blank, items));
        EXPECT_EQ(form->picPreview()->image().working(), annotatedPicture(blank, items));

        form->Tool = DrawingState::Line;
        drag({75, 5}, {{40, 30}, {5, 55}}, {78, 2});
        items.push_back(
            Annotation{DrawingState::Line, form->Colour, 3, {{75, 5}, {78, 2}}, {}, {}, {}});
        EXPECT_EQ(form->picPreview()->image().committed(), annotatedPicture(blank, items));
    }

    styleTheText();
    QImage white(80, 60, QImage::Format_RGB32);
    white.fill(Qt::white);
    showCapture(white);
    form->Tool = DrawingState::Text;
    Canvas* canvas = form->picPreview();
    QEvent leave(QEvent::Leave);
    QTest::mouseMove(canvas, QPoint(20, 30));
    const QImage floating = canvas->image().working();
    // The capital's top lies just below the line box's.
    const QRect ink = test::differingArea(floating, white);
    EXPECT_TRUE(QRect(20, 30, 4, 7).contains(ink.topLeft())) << ink.x() << "," << ink.y();
    EXPECT_EQ(canvas->image().committed(), white) << "floating text is not part of the picture";
    QApplication::sendEvent(canvas, &leave);
    EXPECT_EQ(canvas->image().working(), white);

    QTest::mouseMove(canvas, QPoint(20, 30));
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    QApplication::sendEvent(canvas, &leave);
    EXPECT_EQ(canvas->image().committed(), floating);
    EXPECT_EQ(canvas->image().working(), floating);
}

// Undo takes the newest item away and redo brings it back, by every key and button for them: the
// preview is always the capture with the items that remain, pixel for pixel as if drawn without
// undo, and Ctrl+C copies it as it is. Items are drawn by letter: L a line, C a circle across it,
// T a text across both, A an arrow and P a pixelated area across all of them. Undo is z (Ctrl+Z)
// or u (its button), redo Z (Ctrl+Shift+Z), y (Ctrl+Y) or r (its button). A pixelated area takes
// the blocks of what lies under it, and what comes after it stays on top.
TEST_F(PreviewWindow, UndoAndRedoLeaveThePictureOfTheRemainingItems) {
    styleTheText();
    tc.set("DrawTools", "Len", QStringLiteral("3"));
    const QImage capture = test::testScreen(120, 90);
    // Each item's tool button, and where its drag starts, passes and ends.
    const std::map<char, std::tuple<int, QPoint, QPoint, QPoint>> strokes = {
        {'L', {0, {10, 80}, {50, 50}, {110, 5}}}, {'C', {2, {52, 44}, {60, 44}, {60, 44}}},
        {'T', {4, {50, 40}, {50, 40}, {50, 40}}}, {'A', {5, {100, 80}, {20, 20}, {30, 35}}},
        {'P', {6, {20, 15}, {80, 80}, {90, 70}}},
    };
    const auto draw = [&](const std::string& letters) {
        showCapture(capture);
        for (const char letter : letters) {
            const auto& [button, from, via, to] = strokes.at(letter);
            click(form->picDrawTools()->cmdTool(button));
            drag(from, {via}, to);
        }
        return form->picPreview()->image().committed();
    };
    const std::map<char, std::function<void()>> actions = {
        {'z', [this] { QTest::keySequence(form->window(), QKeySequence(u"Ctrl+Z"_s)); }},
        {'Z', [this] { QTest::keySequence(form->window(), QKeySequence(u"Ctrl+Shift+Z"_s)); }},
        {'y', [this] { QTest::keySequence(form->window(), QKeySequence(u"Ctrl+Y"_s)); }},
        {'u', [this] { click(form->picDrawTools()->cmdUndo()); }},
        {'r', [this] { click(form->picDrawTools()->cmdRedo()); }},
    };
    showCapture(capture);
    showActive();
    // The items drawn, the steps taken and the items that remain.
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"LCT", "zzy", "LC"},
        {"LCT", "uZu", "LC"},
        {"LCT", "zuz", ""},
        // Redrawn for the circle's region only: the text is not blended twice outside it, nor
        // painted over the line.
        {"TLC", "z", "TL"},
        {"TLC", "zurrz", "TL"},
        {"LPA", "zu", "L"},
        {"PL", "u", "P"},
    };
    for (const auto& [items, steps, remaining] : rows) {
        SCOPED_TRACE(std::string(items) + " " + steps);
        const QImage picture = draw(remaining);
        draw(items);
        for (const char step : std::string(steps)) {
            actions.at(step)();
        }
        EXPECT_EQ(form->picPreview()->image().committed(), picture);
        EXPECT_EQ(form->picPreview()->image().working(), picture);
        EXPECT_EQ(form->annotations.items().size(), std::strlen(remaining));
        EXPECT_EQ(form->picDrawTools()->cmdUndo()->isEnabled(), *remaining != '\0');
        EXPECT_TRUE(form->picDrawTools()->cmdRedo()->isEnabled());
    }
    QTest::keyClick(form->window(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              form->picPreview()->image().committed());
}

// Escape, Cancel, the close button and the window manager's close cancel and unload the window.
// No key sends but Return or Enter outside the text boxes: not Space on the picture or on the
// accept button, not typing. Return in a text box takes its value and leaves the box, as a click
// elsewhere does. Whatever palette control was clicked last, the focus is in no text box (not in
// the hidden one, which no Tab reaches either), and Return accepts. Accepting hides the window,
// keeps it loaded for the encoders, ends the tool, logs and answers the file named when the user
// accepts, not the one named when the window loaded. (Escape and Return after a swatch are
// PreviewHost.AfterACopyToTheClipboard...'s.)
TEST_F(PreviewWindow, EscapeCancelsAndOnlyReturnOutsideTheTextBoxesAccepts) {
    const QString path = QStringLiteral("/tmp/pictavo/My_Screenshot2.png");
    const QString cancel = QStringLiteral("Cancel");
    tc.set("", "Log", QStringLiteral("1"));
    const auto answer = [this] { return tc.get("", "sResult"); };
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto type = [](QWidget* w, const QString& keys) { QTest::keyClicks(w, keys); };
    using Palette = DrawToolsPalette;
    // What the user does, and the answer then; none: the window is still open.
    const std::tuple<const char*, std::function<void(frmMain&, Palette&)>, QString> rows[] = {
        // clang-format off
        {"enter_after_tool", [&](frmMain&, Palette& p) { click(p.cmdTool(4)), QTest::keyClick(focused(), Qt::Key_Enter); }, path},
        {"style", [&](frmMain&, Palette& p) { click(p.cmdFontStyle(1)); }, {}},
        {"width", [&](frmMain&, Palette& p) { click(p.cmdWidthMore()); }, {}},
        {"space_on_picture", [&](frmMain& f, Palette&) { click(f.picPreview()), type(focused(), u" "_s); }, {}},
        {"typing_after_swatch", [&](frmMain&, Palette& p) { click(p.cmdColour(2)), type(focused(), u"a note"_s); }, {}},
        {"space_on_accept", [&](frmMain& f, Palette&) { f.cmdSend()->setFocus(), type(f.cmdSend(), u" "_s); }, {}},
        {"return_in_text", [&](frmMain& f, Palette& p) { click(p.cmdTool(4)), type(f.txtText(), u" now\r"_s); }, {}},
        {"return_in_width", [&](frmMain&, Palette& p) { click(p.txtWidth()), type(focused(), u"7\r"_s); }, {}},
        {"cancel_button", [&](frmMain& f, Palette&) { click(f.cmdCancel()); }, cancel},
        {"close_button", [&](frmMain& f, Palette&) { click(f.cmdX()); }, cancel},
        {"window_manager_close", [](frmMain& f, Palette&) { f.window()->close(); }, cancel},
        // clang-format on
    };
    for (const auto& [name, act, result] : rows) {
        SCOPED_TRACE(name);
        tc.set("", "sResult", QString());
        tc.set("", "sTemp", QStringLiteral("/tmp/previous"));
        showCapture(test::testScreen(120, 90));
        tc.set("", "sTemp", path);
        showActive();
        QFile::remove(DiagnosticLog::LogFilePath());
        act(*form, *form->picDrawTools());
        EXPECT_EQ(answer(), result);
        EXPECT_EQ(form->isLoaded(), result != cancel);
        if (result == cancel) {
            continue;
        }
        if (result.isEmpty()) {
            ASSERT_TRUE(form->window()->isVisible());
            ASSERT_NE(focused(), nullptr);
            EXPECT_EQ(qobject_cast<QLineEdit*>(focused()), nullptr);
            EXPECT_EQ(QString::number(form->Len), form->picDrawTools()->txtWidth()->text());
            QTest::keyClick(focused(), Qt::Key_Return);
            EXPECT_EQ(answer(), path);
        }
        ASSERT_TRUE(form->isLoaded());
        EXPECT_TRUE(form->window()->isHidden());
        EXPECT_EQ(form->Tool, DrawingState::None);
        EXPECT_EQ(test::logLines(), (QStringList{u"frmMain - cmdSend_Click - sTemp:  "_s + path,
                                                 u"frmMain - cmdSend_Click - End"_s}));
        form->Unload();
    }
    EXPECT_EQ(form->txtDummy()->focusPolicy(), Qt::NoFocus);
}

// A pixelated area on a reduced preview (half size here) reaches the file at full size, where the
// pointer put it on the capture, in blocks of the full-size capture's means, shown reduced. An
// arrow dragged over it reaches the file at full size too, its tip at the capture's point.
TEST_F(PreviewWindow, PixelateOnAReducedPreviewReachesTheFileAtFullSize) {
    const QSize area = areaSize();
    const QImage capture = test::testScreen(area.width() * 2, area.height() * 2);
    showCapture(capture);
    std::vector<Annotation> items;
    for (const int button : {6, 5}) {
        click(form->picDrawTools()->cmdTool(button));
        drag(QPoint(20, 15), {QPoint(90, 60)}, QPoint(90, 60));
        ASSERT_EQ(form->annotations.items().size(), items.size() + 1);
        items.push_back(form->annotations.items().back());
        EXPECT_EQ(items.back().points, (std::vector<QPoint>{{40, 30}, {180, 120}}));
        EXPECT_EQ(*form->finishedPicture(), annotatedPicture(capture, items));
        if (button == 6) {
            EXPECT_EQ(items[0].blocks, pixelateBlocks(capture, QRect(40, 30, 140, 90)));
            EXPECT_EQ(form->picPreview()->image().committed().pixel(21, 16),
                      items[0].blocks.pixel(0, 0));
        }
    }
    EXPECT_NE(form->finishedPicture()->pixel(178, 118),
              annotatedPicture(capture, {items[0]}).pixel(178, 118));
}

// A capture larger than the area is reduced by area averaging (Qt's smooth scaling averages
// areas too, in its own fixed point), by nine or by an odd ratio; the palette is offered all the
// same, and the canvas centred. Random bytes stand where RGB32 leaves the alpha undefined. An
// 8-bit display's capture is read through its colour table, and a flat colour stays exact. (Where
// reducing starts, and where a smaller capture stands, are PreviewLayout.CapturePlacement...'s; a
// capture that fits is shown pixel for pixel in PreviewHost.AtScaleTwo...; that the full-size
// capture is kept for the file, PixelateOnAReducedPreview...'s.) The focus parking box is outside
// the visible area; the buttons are below the area. The window takes 85% of the height above the
// taskbar the screen reports, and keeps the size it is laid out for: the window manager cannot
// resize or maximise it. The palette stands clear of the preview area and the logo: in two rows on
// the smallest window (a 1280x800 screen at scale 2 gives 544x340), in one on a wide one.
TEST_F(PreviewWindow, FixedControlsStandWhereTheyBelong) {
    const QSize area = areaSize();
    for (const QSize size :
         {QSize(area.width() * 9, area.height()), QSize(area.width() * 5 / 2, area.height() * 3)}) {
        SCOPED_TRACE(size.width());
        QImage capture(size, QImage::Format_RGB32);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(capture.bits()),
                                      capture.sizeInBytes() / 4);
        showCapture(capture);
        const CanvasPlacement place = placeCapture(size, area);
        EXPECT_TRUE(form->bScaled);
        EXPECT_FALSE(form->picDrawTools()->isHidden());
        EXPECT_EQ(form->picPreview()->geometry(), QRect(place.topLeft, place.size));
        const QImage shown = form->picPreview()->image().committed();
        const QImage want =
            capture.scaled(place.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ASSERT_EQ(shown.size(), want.size());
        int worst = 0;
        for (int i = 0; i < shown.width() * shown.height(); ++i) {
            const QRgb a = shown.pixel(i % shown.width(), i / shown.width());
            const QRgb b = want.pixel(i % shown.width(), i / shown.width());
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
        EXPECT_LE(worst, 1);
        EXPECT_EQ(test::storedTranslucentPixels(shown), 0);
    }
    QImage indexed(area * 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(12, 200, 255)});
    indexed.fill(1);
    showCapture(indexed);
    QImage flat(area, QImage::Format_RGB32);
    flat.fill(qRgb(12, 200, 255));
    EXPECT_EQ(test::differingPixels(form->picPreview()->image().committed(), flat), 0);
    EXPECT_LT(form->txtDummy()->geometry().bottom(), 0);
    EXPECT_LT(areaSize().height() + form->picHidden()->y(), form->cmdSend()->geometry().top());
    const int fullHeight = form->window()->height();
    form->Unload();
    tc.screen->setTaskbarHeight(100);
    EXPECT_NEAR(fullHeight - form->window()->height(), 85, 1);
    EXPECT_EQ(form->window()->minimumSize(), form->window()->maximumSize());

    for (const int width : {544, 1088}) {
        form->window()->setFixedSize(width, 340 * width / 544);
        showCapture(test::testScreen(40, 40));
        const QRect palette = form->picDrawTools()->geometry();
        EXPECT_FALSE(palette.intersects(form->imgLogo()->geometry()));
        EXPECT_TRUE(form->window()->rect().contains(palette));
        EXPECT_LT(palette.bottom(), form->picHidden()->geometry().top());
        EXPECT_EQ(palette.height() > form->imgLogo()->height(), width == 544) << width;
    }
}

}  // namespace
}  // namespace pictavo
