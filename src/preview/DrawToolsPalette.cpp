#include "preview/DrawToolsPalette.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <limits>

#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "preview/Canvas.h"
#include "preview/PreviewLayout.h"
#include "settings/DrawToolsSettings.h"

namespace pictavo {

namespace {

// Design geometry, twips. The frames stand in one row, or in two on a narrow window: the tool
// and colour frames and the history buttons above, the size (or text) frame below.
constexpr int kFrameHeight = DrawToolsPalette::kToolFrameHeight;
constexpr int kGap = 90;
constexpr int kRowTop = 300;      // the row of buttons inside a frame, below its caption
constexpr int kButtonSize = 330;  // tool and width buttons
constexpr int kButtonPitch = 360;
constexpr int kSwatchSize = 240;
constexpr int kSwatchPitch = 270;
constexpr int kToolFrameWidth =
    kGap + (DrawToolsPalette::kToolButtons - 1) * kButtonPitch + kButtonSize + kGap;
constexpr int kSizeFrameWidth = 4290;
constexpr int kColourFrameWidth = 1500;
constexpr int kOneRowWidth =
    kToolFrameWidth + kGap + kSizeFrameWidth + kGap + kColourFrameWidth + kGap + kButtonSize;
constexpr int kTwoRowWidth = kToolFrameWidth + kGap + kColourFrameWidth + kGap + kButtonSize;

const QColor kIconInk(0x30, 0x30, 0x30);
const QColor kHighlightInk(0x1d, 0x5e, 0x10);
const QColor kHighlightGround(0xc0, 0xff, 0xc0);
const QColor kButtonFace(0xff, 0xff, 0xff);
const QColor kButtonHover(0xe4, 0xf2, 0xc0);
const QColor kButtonPressed(0xaf, 0xd7, 0x2e);

const char* const kToolTips[DrawToolsPalette::kToolButtons] = {
    "Line", "Freestyle", "Circle", "Rectangle", "Text", "Arrow", "Pixelate"};
const qint32 kSwatches[DrawToolsPalette::kColourButtons] = {0xFFFFFF, 0x000000, 0x808080, 0x0000FF,
                                                            0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00,
                                                            0xFF0000, 0xFF00FF};
const char* const kSwatchNames[DrawToolsPalette::kColourButtons] = {
    "White", "Black", "Grey", "Red", "Orange", "Yellow", "Green", "Cyan", "Blue", "Magenta"};
const qint16 kPresetWidths[DrawToolsPalette::kWidthButtons] = {1, 3, 5, 9};
const char* const kStyleCaptions[DrawToolsPalette::kStyleButtons] = {"B", "I", "U", "S"};

// The tool icons: the normal one, and the highlighted one for the active tool.
QPixmap toolIcon(int button, bool highlighted, qreal ratio) {
    constexpr int kSize = 16;
    QPixmap pixmap = VexelButton::blankPicture(QSize(kSize, kSize), ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (highlighted) {
        p.setPen(QPen(kHighlightInk, 1));
        p.setBrush(kHighlightGround);
        p.drawRoundedRect(QRectF(0.5, 0.5, kSize - 1, kSize - 1), 3, 3);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(highlighted ? kHighlightInk : kIconInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    switch (button) {
        case 0:
            p.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 3.5));
            break;
        case 1: {
            QPainterPath path(QPointF(2.5, 10.5));
            path.cubicTo(QPointF(5, 2), QPointF(8, 14), QPointF(13.5, 5));
            p.drawPath(path);
            break;
        }
        case 2:
            p.drawEllipse(QPointF(8, 8), 5, 5);
            break;
        case 3:
            p.drawRect(QRectF(3.5, 4.5, 9, 7));
            break;
        case 5:
            p.drawLine(QPointF(3, 13), QPointF(10, 6));
            p.setPen(Qt::NoPen);
            p.setBrush(highlighted ? kHighlightInk : kIconInk);
            p.drawPolygon(QPolygonF({QPointF(13.5, 2.5), QPointF(12, 9.5), QPointF(6.5, 4)}));
            break;
        case 6:
            // Blocks of three shades, on whole pixels so that they stay sharp at any ratio.
            p.setRenderHint(QPainter::Antialiasing, false);
            for (int i = 0; i < 9; ++i) {
                static constexpr int kShades[9] = {0x30, 0x90, 0x60, 0x90, 0x60,
                                                   0x30, 0x60, 0x30, 0x90};
                const int v = kShades[i];
                p.fillRect(QRect(2 + (i % 3) * 4, 2 + (i / 3) * 4, 4, 4),
                           highlighted ? QColor(v / 3, v, v / 4) : QColor(v, v, v));
            }
            break;
        default: {
            QFont font;
            font.setBold(true);
            font.setPixelSize(12);
            p.setFont(font);
            p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("A"));
            break;
        }
    }
    return pixmap;
}

// Undo: an arrow turning back to the left; redo is its mirror image.
QPixmap historyIcon(bool redo, qreal ratio) {
    constexpr int kSize = 16;
    QPixmap pixmap = VexelButton::blankPicture(QSize(kSize, kSize), ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (redo) {
        p.translate(kSize, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(kIconInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc(QPointF(4, 7));
    arc.cubicTo(QPointF(8, 3), QPointF(15, 6), QPointF(12.5, 12.5));
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(kIconInk);
    p.drawPolygon(QPolygonF({QPointF(1.5, 8.5), QPointF(6.5, 3.0), QPointF(7.0, 9.5)}));
    return pixmap;
}

// A width preset: a bar of the preset's thickness; the current one framed as the current tool.
QPixmap widthIcon(int width, bool marked, qreal ratio) {
    QPixmap pixmap = VexelButton::blankPicture(QSize(16, 12), ratio);
    QPainter p(&pixmap);
    if (marked) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kHighlightInk, 1));
        p.setBrush(kHighlightGround);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 11), 2, 2);
    }
    p.fillRect(QRect(3, (12 - width) / 2, 10, width), marked ? kHighlightInk : kIconInk);
    return pixmap;
}

// The frame of the current colour swatch: dark outside and light inside, so that it shows on
// every colour.
QPixmap swatchFrame(QSize size, qreal ratio) {
    QPixmap pixmap = VexelButton::blankPicture(size, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kIconInk, 1));
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(QRectF(1.5, 1.5, size.width() - 3, size.height() - 3));
    return pixmap;
}

}  // namespace

DrawToolsPalette::DrawToolsPalette(DrawingState& state, Settings& settings, Canvas& canvas,
                                   QWidget* focusSink, HandlerGuard guard, QWidget* parent)
    : QWidget(parent),
      state_(state),
      settings_(settings),
      canvas_(canvas),
      focusSink_(focusSink),
      guard_(std::move(guard)) {
    setObjectName(QStringLiteral("picDrawTools"));
    build();
}

qint32 DrawToolsPalette::toolOfButton(int button) {
    static constexpr qint32 kTools[kToolButtons] = {
        DrawingState::Line, DrawingState::Freehand, DrawingState::Circle,  DrawingState::Rectangle,
        DrawingState::Text, DrawingState::Arrow,    DrawingState::Pixelate};
    return button >= 0 && button < kToolButtons ? kTools[button] : DrawingState::None;
}

qint32 DrawToolsPalette::swatchColour(int button) {
    return kSwatches[button];
}

qint16 DrawToolsPalette::presetWidth(int button) {
    return kPresetWidths[button];
}

void DrawToolsPalette::build() {
    const int tx = twipsPerPixelX(this);
    const int ty = twipsPerPixelY(this);
    auto place = [&](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(toPixelRect(left, top, width, height, tx, ty));
    };
    // The frames are placed by arrange().
    auto frame = [&](const char* name, const QString& caption, int width) {
        auto* f = new QGroupBox(caption, this);
        f->setObjectName(QString::fromLatin1(name));
        place(f, 0, 0, width, kFrameHeight);
        return f;
    };
    auto button = [&](QWidget* parent, const QString& name) {
        auto* b = new VexelButton(parent);
        b->setObjectName(name);
        b->setBackColour(kButtonFace);
        b->setHoverColour(kButtonHover);
        b->setPressedColour(kButtonPressed);
        return b;
    };

    frmTool_ = frame("frmTool", QStringLiteral("Tool"), kToolFrameWidth);
    for (int i = 0; i < kToolButtons; ++i) {
        VexelButton* b = button(frmTool_, QStringLiteral("cmdTool%1").arg(i));
        b->setProperty("index", i);
        b->setToolTip(QString::fromLatin1(kToolTips[i]));
        place(b, kGap + i * kButtonPitch, kRowTop, kButtonSize, kButtonSize);
        connect(b, &VexelButton::Click, this, [this, i] { guard_([&] { cmdTool_Click(i); }); });
        tool_[static_cast<std::size_t>(i)] = b;
    }
    highlightToolButton(-1);

    frmSize_ = frame("frmSize", QStringLiteral("Size"), kSizeFrameWidth);
    for (int i = 0; i < kWidthButtons; ++i) {
        VexelButton* b = button(frmSize_, QStringLiteral("cmdWidth%1").arg(i));
        b->setProperty("index", i);
        b->setToolTip(QString::number(kPresetWidths[i]));
        place(b, 90 + i * kButtonPitch, kRowTop, kButtonSize, kButtonSize);
        connect(b, &VexelButton::Click, this, [this, i] { guard_([&] { cmdWidth_Click(i); }); });
        width_[static_cast<std::size_t>(i)] = b;
    }
    less_ = button(frmSize_, QStringLiteral("cmdWidthLess"));
    less_->setCaption(QStringLiteral("-"));
    less_->setToolTip(QStringLiteral("Decrease Drawing Width"));
    place(less_, 1590, kRowTop, 270, kButtonSize);
    connect(less_, &VexelButton::Click, this, [this] { guard_([this] { cmdWidthLess_Click(); }); });
    txtWidth_ = new QLineEdit(frmSize_);
    txtWidth_->setObjectName(QStringLiteral("txtWidth"));
    txtWidth_->setAlignment(Qt::AlignCenter);
    // Only digits reach the box (see eventFilter); a context-menu paste or a drop of other
    // text would bypass that.
    txtWidth_->setContextMenuPolicy(Qt::NoContextMenu);
    txtWidth_->setAcceptDrops(false);
    txtWidth_->installEventFilter(this);
    place(txtWidth_, 1890, kRowTop, 600, kButtonSize);
    more_ = button(frmSize_, QStringLiteral("cmdWidthMore"));
    more_->setCaption(QStringLiteral("+"));
    more_->setToolTip(QStringLiteral("Increase Drawing Width"));
    place(more_, 2520, kRowTop, 270, kButtonSize);
    connect(more_, &VexelButton::Click, this, [this] { guard_([this] { cmdWidthMore_Click(); }); });

    frmFont_ = frame("frmFont", QStringLiteral("Text"), kSizeFrameWidth);
    frmFont_->setAutoFillBackground(true);
    txtText_ = new QLineEdit(frmFont_);
    txtText_->setObjectName(QStringLiteral("txtText"));
    place(txtText_, 90, kRowTop, 1350, kButtonSize);
    for (int i = 0; i < kStyleButtons; ++i) {
        VexelButton* b = button(frmFont_, QStringLiteral("cmdFontStyle%1").arg(i));
        b->setProperty("index", i);
        b->setCaption(QString::fromLatin1(kStyleCaptions[i]));
        QFont f = b->font();
        f.setBold(i == 0);
        f.setItalic(i == 1);
        f.setUnderline(i == 2);
        f.setStrikeOut(i == 3);
        b->setFont(f);
        place(b, 1500 + i * 330, kRowTop, 300, kButtonSize);
        connect(b, &VexelButton::Click, this,
                [this, i] { guard_([&] { cmdFontStyle_Click(i); }); });
        style_[static_cast<std::size_t>(i)] = b;
    }
    lblTextFormat_ = new QLabel(QStringLiteral("TextFormat"), frmFont_);
    lblTextFormat_->setObjectName(QStringLiteral("lblTextFormat"));
    lblTextFormat_->setTextFormat(Qt::PlainText);
    place(lblTextFormat_, 2880, kRowTop, 1320, kButtonSize);
    // A click on the sample asks for another font.
    lblTextFormat_->setCursor(Qt::PointingHandCursor);
    lblTextFormat_->setToolTip(QStringLiteral("Font"));
    lblTextFormat_->installEventFilter(this);
    frmFont_->hide();

    frmColour_ = frame("frmColour", QStringLiteral("Colour"), kColourFrameWidth);
    for (int i = 0; i < kColourButtons; ++i) {
        VexelButton* b = new VexelButton(frmColour_);
        b->setObjectName(QStringLiteral("cmdColour%1").arg(i));
        b->setProperty("index", i);
        const QColor c = colourFromValue(kSwatches[i]);
        b->setBackColour(c);
        b->setHoverColour(c.lighter(115));
        b->setPressedColour(c.darker(115));
        b->setToolTip(QString::fromLatin1(kSwatchNames[i]));
        place(b, 90 + (i % 5) * kSwatchPitch, 270 + (i / 5) * kSwatchPitch, kSwatchSize,
              kSwatchSize);
        connect(b, &VexelButton::Click, this, [this, i] { guard_([&] { cmdColour_Click(i); }); });
        colour_[static_cast<std::size_t>(i)] = b;
    }

    undo_ = button(this, QStringLiteral("cmdUndo"));
    undo_->setPicture(historyIcon(false, devicePixelRatioF()));
    undo_->setToolTip(QStringLiteral("Undo (Ctrl+Z)"));
    place(undo_, 0, kGap, kButtonSize, kButtonSize);
    connect(undo_, &VexelButton::Click, this, [this] {
        parkFocus();
        emit undoClicked();
    });
    redo_ = button(this, QStringLiteral("cmdRedo"));
    redo_->setPicture(historyIcon(true, devicePixelRatioF()));
    redo_->setToolTip(QStringLiteral("Redo (Ctrl+Y)"));
    place(redo_, 0, kGap + kButtonPitch, kButtonSize, kButtonSize);
    connect(redo_, &VexelButton::Click, this, [this] {
        parkFocus();
        emit redoClicked();
    });
    undo_->setEnabled(false);
    redo_->setEnabled(false);

    markColourAndWidth();
    resize(toPixels(kOneRowWidth, tx), toPixels(kFrameHeight, ty));
}

void DrawToolsPalette::arrange(int windowWidth) {
    const int tx = twipsPerPixelX(this);
    const int ty = twipsPerPixelY(this);
    const PalettePlacement at = placePalette(windowWidth, kOneRowWidth, kTwoRowWidth);
    auto moveTo = [&](QWidget* w, int left, int top) {
        w->move(toPixels(left, tx), toPixels(top, ty));
    };
    const int colourLeft =
        at.twoRows ? kToolFrameWidth + kGap : kToolFrameWidth + kGap + kSizeFrameWidth + kGap;
    const int historyLeft = colourLeft + kColourFrameWidth + kGap;
    moveTo(frmTool_, 0, 0);
    moveTo(frmColour_, colourLeft, 0);
    moveTo(undo_, historyLeft, kGap);
    moveTo(redo_, historyLeft, kGap + kButtonPitch);
    if (at.twoRows) {
        moveTo(frmSize_, 0, kFrameHeight + kGap);
    } else {
        moveTo(frmSize_, kToolFrameWidth + kGap, 0);
    }
    frmFont_->move(frmSize_->pos());
    resize(toPixels(at.twoRows ? kTwoRowWidth : kOneRowWidth, tx),
           toPixels(at.twoRows ? 2 * kFrameHeight + kGap : kFrameHeight, ty));
    move(toPixels(at.topLeft.x(), tx), toPixels(at.topLeft.y(), ty));
}

void DrawToolsPalette::loadValues() {
    const DrawToolsSettings stored(settings_);
    state_.Len = stored.len();
    showLen();
    state_.Colour = stored.colour();

    markColourAndWidth();

    txtText_->setText(stored.text());
    setTextFont(stored.font());
}

void DrawToolsPalette::setTextFont(const QFont& font) {
    lblTextFormat_->setFont(font);
    // The faces show the styles in force, so a click on a lit button switches its style off.
    const bool on[kStyleButtons] = {font.bold(), font.italic(), font.underline(), font.strikeOut()};
    for (int i = 0; i < kStyleButtons; ++i) {
        style_[static_cast<std::size_t>(i)]->setBackColour(on[i] ? styleOnFace() : kButtonFace);
    }
}

void DrawToolsPalette::markColourAndWidth() {
    const qreal ratio = devicePixelRatioF();
    for (int i = 0; i < kColourButtons; ++i) {
        VexelButton* b = colour_[static_cast<std::size_t>(i)];
        const bool marked = kSwatches[i] == state_.Colour;
        b->setPicture(marked ? swatchFrame(b->size(), ratio) : QPixmap());
        b->setProperty("marked", marked);
    }
    for (int i = 0; i < kWidthButtons; ++i) {
        VexelButton* b = width_[static_cast<std::size_t>(i)];
        const bool marked = kPresetWidths[i] == state_.Len;
        b->setPicture(widthIcon(kPresetWidths[i], marked, ratio));
        b->setProperty("marked", marked);
    }
}

int DrawToolsPalette::markedButton(const VexelButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i) {
        if (buttons[i]->property("marked").toBool()) {
            return i;
        }
    }
    return -1;
}

void DrawToolsPalette::LoadSettings(int windowWidth) {
    loadValues();
    const int index = DrawToolsSettings(settings_).toolButton(kToolButtons);
    highlightToolButton(index);
    state_.Tool = toolOfButton(index);

    arrange(windowWidth);
    frmFont_->setVisible(state_.Tool == DrawingState::Text);
    frmFont_->raise();
    show();
}

int DrawToolsPalette::highlightedToolButton() const {
    for (int i = 0; i < kToolButtons; ++i) {
        if (tool_[static_cast<std::size_t>(i)]->property("highlighted").toBool()) {
            return i;
        }
    }
    return -1;
}

void DrawToolsPalette::highlightToolButton(int index) {
    for (int i = 0; i < kToolButtons; ++i) {
        VexelButton* b = tool_[static_cast<std::size_t>(i)];
        b->setPicture(toolIcon(i, i == index, devicePixelRatioF()));
        b->setProperty("highlighted", i == index);
    }
}

void DrawToolsPalette::parkFocus() {
    if (focusSink_ != nullptr) {
        focusSink_->setFocus(Qt::OtherFocusReason);
    }
}

void DrawToolsPalette::showLen() {
    txtWidth_->setText(QString::number(state_.Len));
    canvas_.image().setPenWidth(state_.Len);
    markColourAndWidth();
}

void DrawToolsPalette::cmdTool_Click(int index) {
    highlightToolButton(index);
    parkFocus();
    frmFont_->hide();
    frmTool_->resize(frmTool_->width(), toPixels(kToolFrameHeight, twipsPerPixelY(this)));
    state_.Tool = toolOfButton(index);
    DrawToolsSettings(settings_).setToolButton(index);
    if (index == 4) {
        frmFont_->show();
    }
}

void DrawToolsPalette::cmdColour_Click(int index) {
    state_.Colour = kSwatches[index];
    markColourAndWidth();
    parkFocus();
}

void DrawToolsPalette::cmdWidth_Click(int index) {
    state_.Len = kPresetWidths[index];
    showLen();
    parkFocus();
}

void DrawToolsPalette::cmdWidthLess_Click() {
    if (state_.Len > 1) {
        --state_.Len;
    }
    showLen();
    parkFocus();
}

void DrawToolsPalette::cmdWidthMore_Click() {
    // 16 bits is the width's limit; beyond it the button does nothing.
    if (state_.Len < std::numeric_limits<qint16>::max()) {
        ++state_.Len;
    }
    showLen();
    parkFocus();
}

void DrawToolsPalette::txtWidth_LostFocus() {
    const QString text = txtWidth_->text();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value <= 0) {
        // Empty, 0 or (only possible by other means than typing) not a number.
        state_.Len = 1;
    } else {
        state_.Len =
            static_cast<qint16>(std::min<qlonglong>(value, std::numeric_limits<qint16>::max()));
    }
    showLen();
}

void DrawToolsPalette::cmdFontStyle_Click(int index) {
    parkFocus();
    VexelButton* b = style_[static_cast<std::size_t>(index)];
    const bool on = b->backColour() != styleOnFace();
    b->setBackColour(on ? styleOnFace() : kButtonFace);
    QFont font = lblTextFormat_->font();
    switch (index) {
        case 0:
            font.setBold(on);
            break;
        case 1:
            font.setItalic(on);
            break;
        case 2:
            font.setUnderline(on);
            break;
        default:
            font.setStrikeOut(on);
            break;
    }
    lblTextFormat_->setFont(font);
    parkFocus();
}

bool DrawToolsPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblTextFormat_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        lblTextFormat_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        parkFocus();
        emit fontClicked();
        return true;
    }
    if (watched == txtWidth_) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Keys that type nothing (arrows, Home, Tab, Delete) edit or leave the box as
            // usual; of the typing keys only digits and Backspace get through.
            const int k = key->key();
            const bool typing =
                !text.isEmpty() && k != Qt::Key_Delete && k != Qt::Key_Tab && k != Qt::Key_Backtab;
            const bool digit =
                text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
            if (typing && !digit && k != Qt::Key_Backspace) {
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            guard_([this] { txtWidth_LostFocus(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pictavo
