#include "config/OptionsWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "config/ColourSwatch.h"
#include "config/ElidedLabel.h"
#include "config/LinkLabel.h"
#include "config/NumberBox.h"
#include "controls/LightTab.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"

namespace pictavo {

namespace {

const QString kTabCaptions =
    QStringLiteral("General|Areas|Overlay Text|Countdown|Webcam|Language|Tab6|Tab7|Tab8|Tab9|");

// Twips: room kept for the chrome around the content, and the gap between the content's parts.
constexpr int kChromeTop = 330;
constexpr int kChromeSide = 135;
constexpr int kGap = 90;
// Twips: the fixed areas in which the overlay and the countdown are shown, whatever their text
// and font (a larger font is shown reduced).
constexpr int kOverlayPreviewWidth = 6000;
constexpr int kOverlayPreviewHeight = 840;
constexpr int kCountdownPreviewWidth = 1800;
constexpr int kCountdownPreviewHeight = 1050;
// In average characters: the width of the language list, whatever the names in it.
constexpr int kLanguageListCharacters = 20;

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

VexelButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new VexelButton(parent), name);
    b->setCaption(caption);
    b->setBackColour(QColor(0xff, 0xff, 0xff));
    b->setHoverColour(QColor(0xe4, 0xf2, 0xc0));
    b->setPressedColour(kChromeColour);
    // A caption is never cut: the button is at least as large as it asks to be.
    b->setMinimumSize(b->sizeHint());
    return b;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& caption) {
    return named(new QCheckBox(caption, parent), name);
}

QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    if (name != nullptr) {
        l->setObjectName(QLatin1String(name));
    }
    return l;
}

// A swatch with its button beside it, in one row of a grid.
void colourRow(QGridLayout* grid, int row, QLabel* caption, ColourSwatch* swatch,
               VexelButton* chooser) {
    grid->addWidget(caption, row, 0);
    grid->addWidget(swatch, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(chooser, row, 2);
}

}  // namespace

OptionsWindow::OptionsWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Pictavo Options"));
    const int tpp = twipsPerPixelY(this);

    chrome = new WindowChrome(this);

    auto* layout = new QVBoxLayout(this);
    const int side = toPixels(kChromeSide, tpp);
    layout->setContentsMargins(side, toPixels(kChromeTop, tpp), side, side);
    layout->setSpacing(toPixels(kGap, tpp));

    imgLogo = named(new QLabel(this), "imgLogo");
    layout->addWidget(imgLogo, 0, Qt::AlignLeft);

    Tab1 = named(new LightTab(this), "Tab1");
    Tab1->setTabs(kPages);
    Tab1->setCaption(kTabCaptions);
    layout->addWidget(Tab1);

    pages = named(new QStackedWidget(this), "pages");
    layout->addWidget(pages);
    page(0, buildGeneral());
    page(1, buildAreas());
    page(2, buildOverlay());
    page(3, buildCountdown());
    page(4, buildWebcam());
    page(5, buildLanguage());
}

OptionsWindow::~OptionsWindow() = default;

QWidget* OptionsWindow::page(int index, QWidget* content) {
    auto* frame = new QWidget(pages);
    frame->setObjectName(indexed("Frame1", index));
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(content);
    box->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdSave[index] = button(frame, "cmdSave", QStringLiteral("&Save"));
    cmdSave[index]->setObjectName(indexed("cmdSave", index));
    cmdCancel[index] = button(frame, "cmdCancel", QStringLiteral("Cancel"));
    cmdCancel[index]->setObjectName(indexed("cmdCancel", index));
    buttons->addWidget(cmdSave[index]);
    buttons->addWidget(cmdCancel[index]);
    box->addLayout(buttons);
    Frame1[index] = frame;
    pages->addWidget(frame);
    return frame;
}

QWidget* OptionsWindow::buildGeneral() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    chkPreview = check(w, "chkPreview", QStringLiteral("Preview Screenshots before sending"));
    chkPreviewSave =
        check(w, "chkPreviewSave", QStringLiteral("Preview Screenshots before saving"));
    chkClipBoard = check(w, "chkClipBoard", QStringLiteral("Copy Screenshot to Clipboard"));
    chkDelete = check(w, "chkDelete", QStringLiteral("Delete Screenshots when Messenger closes"));
    chkSaveMsgBox = check(w, "chkSaveMsgBox", QStringLiteral("Show Save Confirmation"));
    chkMenu = check(w, "chkMenu", QStringLiteral("Show icons in Pictavo menu"));
    for (QWidget* c :
         {chkPreview, chkPreviewSave, chkClipBoard, chkDelete, chkSaveMsgBox, chkMenu}) {
        box->addWidget(c);
    }
    // The amount stands in the middle of the sentence.
    auto* warn = new QHBoxLayout;
    chkWarnDelay = check(w, "chkWarnDelay", QStringLiteral("Warn if Time Delay is over"));
    txtWarnDelay = named(new NumberBox(NumberBox::Rule::Digits, w), "txtWarnDelay");
    txtWarnDelay->setFixedWidth(txtWarnDelay->fontMetrics().horizontalAdvance(u'0') * 6);
    warn->addWidget(chkWarnDelay);
    warn->addWidget(txtWarnDelay);
    warn->addWidget(label(w, QStringLiteral("seconds")));
    warn->addStretch(1);
    box->addLayout(warn);

    auto* form = new QGridLayout;
    txtSaveDir = named(new QLineEdit(w), "txtSaveDir");
    cmdSaveDir = button(w, "cmdSaveDir", QStringLiteral("Br&owse..."));
    form->addWidget(label(w, QStringLiteral("Default Save Directory:")), 0, 0);
    form->addWidget(txtSaveDir, 0, 1, 1, 3);
    form->addWidget(cmdSaveDir, 0, 4);
    txtFilename = named(new QLineEdit(w), "txtFilename");
    form->addWidget(label(w, QStringLiteral("Filename:")), 1, 0);
    form->addWidget(txtFilename, 1, 1, 1, 3);
    comFiletype = named(new QComboBox(w), "comFiletype");
    comFiletype->addItems({QStringLiteral("BMP"), QStringLiteral("GIF"), QStringLiteral("JPG"),
                           QStringLiteral("PNG"), QStringLiteral("TIF")});
    lblQuality = label(w, QStringLiteral("Quality:"), "lblQuality");
    txtQuality = named(new NumberBox(NumberBox::Rule::Percentage, w), "txtQuality");
    txtQuality->setFixedWidth(txtQuality->fontMetrics().horizontalAdvance(u'0') * 6);
    lblQualityRange = label(w, QStringLiteral("(0 - 100)"), "lblQualityRange");
    form->addWidget(label(w, QStringLiteral("Save As:")), 2, 0);
    form->addWidget(comFiletype, 2, 1);
    form->addWidget(lblQuality, 2, 2, Qt::AlignRight);
    auto* quality = new QHBoxLayout;
    quality->addWidget(txtQuality);
    quality->addWidget(lblQualityRange);
    form->addLayout(quality, 2, 3);
    txtTimeDelay = named(new NumberBox(NumberBox::Rule::Digits, w), "txtTimeDelay");
    txtTimeDelay->setFixedWidth(txtTimeDelay->fontMetrics().horizontalAdvance(u'0') * 6);
    form->addWidget(label(w, QStringLiteral("Time Delay:")), 3, 0);
    form->addWidget(txtTimeDelay, 3, 1, Qt::AlignLeft);
    form->setColumnStretch(3, 1);
    box->addLayout(form);
    return w;
}

QWidget* OptionsWindow::buildAreas() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    box->addWidget(label(w, QStringLiteral("Bad Tab")));
    return w;
}

QWidget* OptionsWindow::buildOverlay() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    chkOverlay = check(w, "chkOverlay", QStringLiteral("Include Overlay Text on Sent Screenshots"));
    chkSaveOverlay =
        check(w, "chkSaveOverlay", QStringLiteral("Include Overlay Text on Saved Screenshots"));
    box->addWidget(chkOverlay);
    box->addWidget(chkSaveOverlay);

    auto* text = new QGridLayout;
    QLabel* textCaption = label(w, QStringLiteral("Text:"));
    txtText = named(new QLineEdit(w), "txtText");
    lblTags =
        label(w, QStringLiteral("(!T) (!TH) (!TM) (!TS) (!D) (!DD) (!DM) (!DY) (!S)"), "lblTags");
    lblTags->setToolTip(QStringLiteral("Time Tags"));
    text->addWidget(textCaption, 0, 0);
    text->addWidget(txtText, 0, 1);
    text->addWidget(lblTags, 1, 1);
    box->addLayout(text);

    auto* middle = new QHBoxLayout;
    // Position: a 3 by 3 grid, numbered row by row from the top left.
    auto* position = new QGridLayout;
    QLabel* positionCaption = label(w, QStringLiteral("Position:"));
    position->addWidget(positionCaption, 0, 0, 1, 3);
    optPosition = new QButtonGroup(w);
    for (int i = 0; i < 9; ++i) {
        opt[i] = new QRadioButton(w);
        opt[i]->setObjectName(indexed("opt", i + 1));
        optPosition->addButton(opt[i], i + 1);
        position->addWidget(opt[i], 1 + i / 3, i % 3);
    }
    middle->addLayout(position);

    auto* styles = new QVBoxLayout;
    QLabel* stylesCaption = label(w, QStringLiteral("Options:"));
    optBold = check(w, "optBold", QStringLiteral("&Bold"));
    optItalic = check(w, "optItalic", QStringLiteral("&Italic"));
    optUnderline = check(w, "optUnderline", QStringLiteral("&Underline"));
    optStrikethru = check(w, "optStrikethru", QStringLiteral("St&rikethru"));
    for (QWidget* c : {static_cast<QWidget*>(stylesCaption), static_cast<QWidget*>(optBold),
                       static_cast<QWidget*>(optItalic), static_cast<QWidget*>(optUnderline),
                       static_cast<QWidget*>(optStrikethru)}) {
        styles->addWidget(c);
    }
    middle->addLayout(styles);

    auto* looks = new QGridLayout;
    QLabel* fontCaption = label(w, QStringLiteral("Font:"));
    lblFont = named(new ElidedLabel(w), "lblFont");
    cmdFont = button(w, "cmdFont", QStringLiteral("&Font"));
    looks->addWidget(fontCaption, 0, 0);
    looks->addWidget(lblFont, 0, 1);
    looks->addWidget(cmdFont, 0, 2);
    QLabel* foreCaption = label(w, QStringLiteral("Text:"));
    shpTextColour = named(new ColourSwatch(w), "shpTextColour");
    cmdTextColour = button(w, "cmdTextColour", QStringLiteral("&Text Colour"));
    colourRow(looks, 1, foreCaption, shpTextColour, cmdTextColour);
    QLabel* backCaption = label(w, QStringLiteral("Back:"));
    shpBackColour = named(new ColourSwatch(w), "shpBackColour");
    cmdBackColour = button(w, "cmdBackColour", QStringLiteral("Ba&ck Colour"));
    colourRow(looks, 2, backCaption, shpBackColour, cmdBackColour);
    middle->addLayout(looks, 1);
    box->addLayout(middle);

    // The overlay in its box, placed by the form.
    picOverlayPreview = named(new QWidget(w), "picOverlayPreview");
    picOverlayPreview->setFixedSize(toPixels(kOverlayPreviewWidth, twipsPerPixelX(this)),
                                    toPixels(kOverlayPreviewHeight, twipsPerPixelY(this)));
    lblPreview = label(picOverlayPreview, QString(), "lblPreview");
    lblPreview->setAutoFillBackground(true);
    box->addWidget(picOverlayPreview, 0, Qt::AlignHCenter);
    overlayLabels = {textCaption, positionCaption, stylesCaption,
                     fontCaption, foreCaption,     backCaption};
    return w;
}

QWidget* OptionsWindow::buildCountdown() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    chkCounter = check(w, "chkCounter", QStringLiteral("Show Time Delay Countdown"));
    box->addWidget(chkCounter);

    auto* middle = new QHBoxLayout;
    auto* styles = new QVBoxLayout;
    QLabel* stylesCaption = label(w, QStringLiteral("Options:"));
    chkBoldC = check(w, "chkBoldC", QStringLiteral("&Bold"));
    chkItalicC = check(w, "chkItalicC", QStringLiteral("&Italic"));
    chkUnderlineC = check(w, "chkUnderlineC", QStringLiteral("&Underline"));
    chkStrikethruC = check(w, "chkStrikethruC", QStringLiteral("&Strikethru"));
    for (QWidget* c : {static_cast<QWidget*>(stylesCaption), static_cast<QWidget*>(chkBoldC),
                       static_cast<QWidget*>(chkItalicC), static_cast<QWidget*>(chkUnderlineC),
                       static_cast<QWidget*>(chkStrikethruC)}) {
        styles->addWidget(c);
    }
    middle->addLayout(styles);

    auto* looks = new QGridLayout;
    QLabel* fontCaption = label(w, QStringLiteral("Font:"));
    lblFontC = named(new ElidedLabel(w), "lblFontC");
    cmdFontC = button(w, "cmdFontC", QStringLiteral("&Font"));
    looks->addWidget(fontCaption, 0, 0);
    looks->addWidget(lblFontC, 0, 1);
    looks->addWidget(cmdFontC, 0, 2);
    QLabel* foreCaption = label(w, QStringLiteral("Text:"));
    shpTextColorC = named(new ColourSwatch(w), "shpTextColorC");
    cmdTextColourC = button(w, "cmdTextColourC", QStringLiteral("&Text Colour"));
    colourRow(looks, 1, foreCaption, shpTextColorC, cmdTextColourC);
    QLabel* backCaption = label(w, QStringLiteral("Back:"));
    shpBackColorC = named(new ColourSwatch(w), "shpBackColorC");
    cmdbackColourC = button(w, "cmdbackColourC", QStringLiteral("Ba&ck Colour"));
    colourRow(looks, 2, backCaption, shpBackColorC, cmdbackColourC);
    QLabel* shadowCaption = label(w, QStringLiteral("Shadow:"));
    shpShadowC = named(new ColourSwatch(w), "shpShadowC");
    cmdShadowC = button(w, "cmdShadowC", QStringLiteral("&Shadow Colour"));
    colourRow(looks, 3, shadowCaption, shpShadowC, cmdShadowC);
    middle->addLayout(looks, 1);
    box->addLayout(middle);

    // The digits over their shadow, placed by the form.
    picBackground = named(new QWidget(w), "picBackground");
    picBackground->setAutoFillBackground(true);
    picBackground->setFixedSize(toPixels(kCountdownPreviewWidth, twipsPerPixelX(this)),
                                toPixels(kCountdownPreviewHeight, twipsPerPixelY(this)));
    lblPreview2C = label(picBackground, QStringLiteral("10"), "lblPreview2C");
    lblPreviewC = label(picBackground, QStringLiteral("10"), "lblPreviewC");
    for (QLabel* digits : {lblPreview2C, lblPreviewC}) {
        digits->setAlignment(Qt::AlignCenter);
    }
    box->addWidget(picBackground, 0, Qt::AlignHCenter);
    countdownLabels = {stylesCaption, fontCaption, foreCaption, backCaption, shadowCaption};
    return w;
}

QWidget* OptionsWindow::buildWebcam() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    QLabel* heading = label(w, QStringLiteral("Webcam Options"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    box->addWidget(heading);
    chkWebcam = check(w, "chkWebcam", QStringLiteral("Enable Webcam Capture"));
    box->addWidget(chkWebcam);
    return w;
}

QWidget* OptionsWindow::buildLanguage() {
    auto* w = new QWidget;
    auto* box = new QVBoxLayout(w);
    QLabel* about =
        label(w, QStringLiteral("Pictavo 3 has been translated into different languages to make "
                                "it even easier for more people to use."));
    about->setWordWrap(true);
    box->addWidget(about);
    auto* pick = new QHBoxLayout;
    comLangs = named(new QComboBox(w), "comLangs");
    comLangs->setPlaceholderText(QStringLiteral("Pick Language"));
    comLangs->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comLangs->setMinimumContentsLength(kLanguageListCharacters);
    cmdLangRefresh = button(w, "cmdLangRefresh", QStringLiteral("&Refresh"));
    pick->addWidget(comLangs, 1);
    pick->addWidget(cmdLangRefresh);
    box->addLayout(pick);
    lblLangBy = named(new ElidedLabel(w), "lblLangBy");
    lblLangWebsite = named(new LinkLabel(w), "lblLangWebsite");
    lblLangEmail = named(new LinkLabel(w), "lblLangEmail");
    lblLangVer = named(new ElidedLabel(w), "lblLangVer");
    for (QWidget* l : {static_cast<QWidget*>(lblLangBy), static_cast<QWidget*>(lblLangWebsite),
                       static_cast<QWidget*>(lblLangEmail), static_cast<QWidget*>(lblLangVer)}) {
        box->addWidget(l);
    }
    return w;
}

void OptionsWindow::showPage(int index) {
    if (index < 0 || index >= kPages) {
        return;
    }
    pages->setCurrentIndex(index);
}

int OptionsWindow::shownPage() const {
    return pages->currentIndex();
}

void OptionsWindow::placeChrome() {
    // What the pages show never sizes the window: long texts are cut and large fonts reduced in
    // fixed areas, so the window keeps the size of its largest page, cut to its screen.
    QSize fitting = sizeHint();
    if (const QScreen* s = screen()) {
        fitting = fitting.boundedTo(s->availableGeometry().size());
    }
    setFixedSize(fitting);
    chrome->PlaceTitleBar();
    chrome->PlaceLeftBorder();
    chrome->PlaceRightBorder();
    chrome->PlaceBottomBorder();
}

void OptionsWindow::showEvent(QShowEvent* event) {
    // It may be shown on another screen than the one it was laid out for.
    placeChrome();
    QWidget::showEvent(event);
}

void OptionsWindow::keyPressEvent(QKeyEvent* event) {
    // Reached only when the control with the focus did not take the key itself.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            return;
        case Qt::Key_Escape:
            emit escapePressed();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace pictavo
