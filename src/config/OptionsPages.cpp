#include "config/OptionsPages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/ColourSwatch.h"
#include "config/ElidedLabel.h"
#include "config/LanguageFiles.h"
#include "config/LinkLabel.h"
#include "config/NumberBox.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"

namespace pictavo {

namespace {

// Twips: the fixed areas in which the overlay and the countdown are shown, whatever their text
// and font (a larger font is shown reduced).
constexpr int kOverlayPreviewWidth = 6000;
constexpr int kOverlayPreviewHeight = 840;
constexpr int kCountdownPreviewWidth = 1800;
constexpr int kCountdownPreviewHeight = 1050;
// Twips: the shadow of the countdown digits lies this far right of and below them.
constexpr int kShadowOffset = 30;
// In average characters: the width of the language list, whatever the names in it.
constexpr int kLanguageListCharacters = 20;

// Gives `widget` a fixed size of `width` × `height` twips.
void setFixedTwips(QWidget* widget, int width, int height) {
    widget->setFixedSize(toPixels(width, twipsPerPixelX(widget)),
                         toPixels(height, twipsPerPixelY(widget)));
}

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
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

NumberBox* numberBox(QWidget* parent, const char* name, NumberBox::Rule rule) {
    auto* box = named(new NumberBox(rule, parent), name);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(u'0') * 6);
    return box;
}

// The colours show while the widget is enabled; greyed, it looks greyed like the swatches:
// grey text (or, for a shadow, the light colour greyed text stands out on) on light grey.
// An invalid colour leaves its role as it is.
void setColours(QWidget* widget, const QColor& fore, const QColor& back = QColor(),
                QPalette::ColorRole greyedFore = QPalette::WindowText) {
    QPalette p = widget->palette();
    const QPalette greyed = QApplication::palette(widget);
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        if (fore.isValid()) {
            p.setColor(g, QPalette::WindowText, fore);
        }
        if (back.isValid()) {
            p.setColor(g, QPalette::Window, back);
        }
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText,
               greyed.color(QPalette::Disabled, greyedFore));
    p.setColor(QPalette::Disabled, QPalette::Window, ColourSwatch::kGrey);
    widget->setPalette(p);
}

// `wanted` reduced so that `text` fits `room`: always in height, and in width down to `floor`
// points (never above its own size); a longer text is then cut. The styles stay.
QFont fittingFont(const QFont& wanted, const QString& text, const QSizeF& room, qreal floor) {
    const qreal size = wanted.pointSizeF();
    const QSizeF natural = QFontMetricsF(wanted).size(Qt::TextSingleLine, text);
    if (size <= 0 || natural.height() <= 0) {
        return wanted;
    }
    const qreal byHeight = size * std::min(1.0, room.height() / natural.height());
    const qreal byWidth =
        natural.width() > 0 ? size * std::min(1.0, room.width() / natural.width()) : size;
    QFont fitted = wanted;
    fitted.setPointSizeF(
        std::max(1.0, std::min(byHeight, std::max(byWidth, std::min(size, floor)))));
    return fitted;
}

using FontStyle = void (QFont::*)(bool);
constexpr std::array<FontStyle, 4> kStyles = {&QFont::setBold, &QFont::setItalic,
                                              &QFont::setUnderline, &QFont::setStrikeOut};

}  // namespace

VexelButton* optionsButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new VexelButton(parent), name);
    b->setCaption(caption);
    b->setBackColour(QColor(0xff, 0xff, 0xff));
    b->setHoverColour(QColor(0xe4, 0xf2, 0xc0));
    b->setPressedColour(kChromeColour);
    // A caption is never cut: the button is at least as large as it asks to be.
    b->setMinimumSize(b->sizeHint());
    return b;
}

TextLook::TextLook(const char* name, const Names& names, std::initializer_list<Colour> colourList,
                   QWidget* parent)
    : QWidget(parent) {
    setObjectName(QLatin1String(name));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    auto* column = new QVBoxLayout;
    column->addWidget(label(this, QStringLiteral("Options:")));
    const QString captions[] = {QStringLiteral("&Bold"), QStringLiteral("&Italic"),
                                QStringLiteral("&Underline"),
                                QLatin1String(names.strikeOutCaption)};
    for (std::size_t i = 0; i < styles.size(); ++i) {
        styles[i] = check(this, names.styles[i], captions[i]);
        column->addWidget(styles[i]);
        const FontStyle set = kStyles[i];
        connect(styles[i], &QCheckBox::toggled, this, [this, set](bool on) {
            (font_.*set)(on);
            showFace();
            emit changed();
        });
    }
    row->addLayout(column);

    auto* grid = new QGridLayout;
    fontLabel = named(new ElidedLabel(this), names.fontLabel);
    fontButton = optionsButton(this, names.fontButton, QStringLiteral("&Font"));
    grid->addWidget(label(this, QStringLiteral("Font:")), 0, 0);
    grid->addWidget(fontLabel, 0, 1);
    grid->addWidget(fontButton, 0, 2);
    for (const Colour& c : colourList) {
        const int at = grid->rowCount();
        auto* swatch = named(new ColourSwatch(this), c.swatch);
        VexelButton* chooser = optionsButton(this, c.button, QLatin1String(c.buttonCaption));
        grid->addWidget(label(this, QLatin1String(c.caption)), at, 0);
        grid->addWidget(swatch, at, 1, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(chooser, at, 2);
        colours.push_back({swatch, chooser, QLatin1String(c.title)});
    }
    row->addLayout(grid, 1);
}

void TextLook::setFace(const QFont& face) {
    font_ = face;
    for (std::size_t i = 0; i < styles.size(); ++i) {
        (font_.*kStyles[i])(styles[i]->isChecked());
    }
    showFace();
}

void TextLook::setChosenFont(const QFont& font) {
    font_ = font;
    styles[0]->setChecked(font.bold());
    styles[1]->setChecked(font.italic());
    styles[2]->setChecked(font.underline());
    styles[3]->setChecked(font.strikeOut());
    showFace();
}

void TextLook::showFace() {
    fontLabel->setText(font_.family());
    QFont face = font_;
    face.setPointSizeF(font().pointSizeF());
    fontLabel->setFont(face);
}

void TextLook::setLookEnabled(bool on) {
    // A swatch keeps its frame: it greys itself.
    for (QWidget* c : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* swatch = qobject_cast<ColourSwatch*>(c)) {
            swatch->setGreyed(!on);
        } else {
            c->setEnabled(on);
        }
    }
}

GeneralPage::GeneralPage() {
    auto* box = new QVBoxLayout(this);
    chkPreview = check(this, "chkPreview", QStringLiteral("Preview Screenshots before sending"));
    chkPreviewSave =
        check(this, "chkPreviewSave", QStringLiteral("Preview Screenshots before saving"));
    chkClipBoard = check(this, "chkClipBoard", QStringLiteral("Copy Screenshot to Clipboard"));
    chkDelete =
        check(this, "chkDelete", QStringLiteral("Delete Screenshots when Messenger closes"));
    chkSaveMsgBox = check(this, "chkSaveMsgBox", QStringLiteral("Show Save Confirmation"));
    chkMenu = check(this, "chkMenu", QStringLiteral("Show icons in Pictavo menu"));
    for (QWidget* c :
         {chkPreview, chkPreviewSave, chkClipBoard, chkDelete, chkSaveMsgBox, chkMenu}) {
        box->addWidget(c);
    }
    // The amount stands in the middle of the sentence.
    auto* warn = new QHBoxLayout;
    chkWarnDelay = check(this, "chkWarnDelay", QStringLiteral("Warn if Time Delay is over"));
    txtWarnDelay = numberBox(this, "txtWarnDelay", NumberBox::Rule::Digits);
    warn->addWidget(chkWarnDelay);
    warn->addWidget(txtWarnDelay);
    warn->addWidget(label(this, QStringLiteral("seconds")));
    warn->addStretch(1);
    box->addLayout(warn);

    auto* form = new QGridLayout;
    txtSaveDir = named(new QLineEdit(this), "txtSaveDir");
    cmdSaveDir = optionsButton(this, "cmdSaveDir", QStringLiteral("Br&owse..."));
    form->addWidget(label(this, QStringLiteral("Default Save Directory:")), 0, 0);
    form->addWidget(txtSaveDir, 0, 1, 1, 3);
    form->addWidget(cmdSaveDir, 0, 4);
    txtFilename = named(new QLineEdit(this), "txtFilename");
    form->addWidget(label(this, QStringLiteral("Filename:")), 1, 0);
    form->addWidget(txtFilename, 1, 1, 1, 3);
    comFiletype = named(new QComboBox(this), "comFiletype");
    comFiletype->addItems({QStringLiteral("BMP"), QStringLiteral("GIF"), QStringLiteral("JPG"),
                           QStringLiteral("PNG"), QStringLiteral("TIF")});
    lblQuality = label(this, QStringLiteral("Quality:"), "lblQuality");
    txtQuality = numberBox(this, "txtQuality", NumberBox::Rule::Percentage);
    lblQualityRange = label(this, QStringLiteral("(0 - 100)"), "lblQualityRange");
    form->addWidget(label(this, QStringLiteral("Save As:")), 2, 0);
    form->addWidget(comFiletype, 2, 1);
    form->addWidget(lblQuality, 2, 2, Qt::AlignRight);
    auto* quality = new QHBoxLayout;
    quality->addWidget(txtQuality);
    quality->addWidget(lblQualityRange);
    form->addLayout(quality, 2, 3);
    txtTimeDelay = numberBox(this, "txtTimeDelay", NumberBox::Rule::Digits);
    form->addWidget(label(this, QStringLiteral("Time Delay:")), 3, 0);
    form->addWidget(txtTimeDelay, 3, 1, Qt::AlignLeft);
    form->setColumnStretch(3, 1);
    box->addLayout(form);
}

bool GeneralPage::isJpeg() const {
    return comFiletype->currentText() == QLatin1String("JPG");
}

void GeneralPage::applyFileType() {
    const bool jpeg = isJpeg();
    for (QWidget* c : {static_cast<QWidget*>(lblQuality), static_cast<QWidget*>(txtQuality),
                       static_cast<QWidget*>(lblQualityRange)}) {
        c->setVisible(jpeg);
    }
}

OverlayPage::OverlayPage() {
    auto* box = new QVBoxLayout(this);
    chkOverlay =
        check(this, "chkOverlay", QStringLiteral("Include Overlay Text on Sent Screenshots"));
    chkSaveOverlay =
        check(this, "chkSaveOverlay", QStringLiteral("Include Overlay Text on Saved Screenshots"));
    box->addWidget(chkOverlay);
    box->addWidget(chkSaveOverlay);

    auto* text = new QGridLayout;
    QLabel* textCaption = label(this, QStringLiteral("Text:"));
    txtText = named(new QLineEdit(this), "txtText");
    lblTags = label(this, QStringLiteral("(!T) (!TH) (!TM) (!TS) (!D) (!DD) (!DM) (!DY) (!S)"),
                    "lblTags");
    lblTags->setToolTip(QStringLiteral("Time Tags"));
    text->addWidget(textCaption, 0, 0);
    text->addWidget(txtText, 0, 1);
    text->addWidget(lblTags, 1, 1);
    box->addLayout(text);

    auto* middle = new QHBoxLayout;
    // Position: a 3 by 3 grid, numbered row by row from the top left.
    auto* position = new QGridLayout;
    QLabel* positionCaption = label(this, QStringLiteral("Position:"));
    position->addWidget(positionCaption, 0, 0, 1, 3);
    optPosition = named(new QButtonGroup(this), "optPosition");
    for (int i = 0; i < 9; ++i) {
        opt[i] = new QRadioButton(this);
        opt[i]->setObjectName(QStringLiteral("opt_%1").arg(i + 1));
        optPosition->addButton(opt[i], i + 1);
        position->addWidget(opt[i], 1 + i / 3, i % 3);
    }
    middle->addLayout(position);
    look = new TextLook(
        "fraLook",
        {{"optBold", "optItalic", "optUnderline", "optStrikethru"},
         "St&rikethru",
         "lblFont",
         "cmdFont"},
        {{"Text:", "shpTextColour", "cmdTextColour", "&Text Colour", "Choose Text Colour"},
         {"Back:", "shpBackColour", "cmdBackColour", "Ba&ck Colour", "Choose Back Colour"}},
        this);
    middle->addWidget(look, 1);
    box->addLayout(middle);

    // The overlay in its box, placed by refreshPreview.
    picOverlayPreview = named(new QWidget(this), "picOverlayPreview");
    setFixedTwips(picOverlayPreview, kOverlayPreviewWidth, kOverlayPreviewHeight);
    lblPreview = label(picOverlayPreview, QString(), "lblPreview");
    lblPreview->setAutoFillBackground(true);
    box->addWidget(picOverlayPreview, 0, Qt::AlignHCenter);
    captions_ = {textCaption, positionCaption};
}

void OverlayPage::applyEnabling() {
    const bool on = chkOverlay->isChecked() || chkSaveOverlay->isChecked();
    QList<QWidget*> group = captions_;
    group << txtText << lblTags << lblPreview;
    for (QRadioButton* b : opt) {
        group << b;
    }
    for (QWidget* c : group) {
        c->setEnabled(on);
    }
    look->setLookEnabled(on);
}

void OverlayPage::refreshPreview(const QString& text) {
    lblPreview->setText(text);
    const QSize room = picOverlayPreview->size();
    lblPreview->setFont(fittingFont(look->lookFont(), text, room, font().pointSizeF()));
    setColours(lblPreview, look->colours[0].swatch->colour(), look->colours[1].swatch->colour());
    lblPreview->adjustSize();
    const QSize shown = lblPreview->size().boundedTo(room);
    lblPreview->setAlignment(shown.width() < lblPreview->width() ? Qt::AlignLeft | Qt::AlignVCenter
                                                                 : Qt::AlignCenter);
    lblPreview->setGeometry(QRect(
        QPoint((room.width() - shown.width()) / 2, (room.height() - shown.height()) / 2), shown));
}

CountdownPage::CountdownPage() {
    auto* box = new QVBoxLayout(this);
    chkCounter = check(this, "chkCounter", QStringLiteral("Show Time Delay Countdown"));
    box->addWidget(chkCounter);
    look = new TextLook(
        "fraLookC",
        {{"chkBoldC", "chkItalicC", "chkUnderlineC", "chkStrikethruC"},
         "&Strikethru",
         "lblFontC",
         "cmdFontC"},
        {{"Text:", "shpTextColorC", "cmdTextColourC", "&Text Colour", "Choose Text Colour"},
         {"Back:", "shpBackColorC", "cmdbackColourC", "Ba&ck Colour", "Choose Back Colour"},
         {"Shadow:", "shpShadowC", "cmdShadowC", "&Shadow Colour", "Choose Shadow Colour"}},
        this);
    box->addWidget(look);

    // The digits over their shadow, placed by refreshPreview.
    picBackground = named(new QWidget(this), "picBackground");
    picBackground->setAutoFillBackground(true);
    setFixedTwips(picBackground, kCountdownPreviewWidth, kCountdownPreviewHeight);
    lblPreview2C = label(picBackground, QStringLiteral("10"), "lblPreview2C");
    lblPreviewC = label(picBackground, QStringLiteral("10"), "lblPreviewC");
    for (QLabel* digits : {lblPreview2C, lblPreviewC}) {
        digits->setAlignment(Qt::AlignCenter);
    }
    box->addWidget(picBackground, 0, Qt::AlignHCenter);
}

void CountdownPage::applyEnabling() {
    const bool on = chkCounter->isChecked();
    look->setLookEnabled(on);
    picBackground->setEnabled(on);
    lblPreviewC->setEnabled(on);
}

void CountdownPage::refreshPreview() {
    const QPoint shadow(toPixels(kShadowOffset, twipsPerPixelX(this)),
                        toPixels(kShadowOffset, twipsPerPixelY(this)));
    const QSize picture = picBackground->size();
    const QSize room = picture - 2 * QSize(shadow.x(), shadow.y());
    const QFont fitted = fittingFont(look->lookFont(), lblPreviewC->text(), room, 0);
    lblPreviewC->setFont(fitted);
    lblPreview2C->setFont(fitted);
    setColours(lblPreviewC, look->colours[0].swatch->colour());
    setColours(lblPreview2C, look->colours[2].swatch->colour(), QColor(), QPalette::Light);
    setColours(picBackground, QColor(), look->colours[1].swatch->colour());

    lblPreviewC->adjustSize();
    const QSize digits = lblPreviewC->size().boundedTo(room);
    const QPoint at(picture.width() / 2 - digits.width() / 2,
                    picture.height() / 2 - digits.height() / 2);
    lblPreviewC->setGeometry(QRect(at, digits));
    lblPreview2C->setGeometry(QRect(at + shadow, digits));
}

WebcamPage::WebcamPage() {
    auto* box = new QVBoxLayout(this);
    QLabel* heading = label(this, QStringLiteral("Webcam Options"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    box->addWidget(heading);
    chkWebcam = check(this, "chkWebcam", QStringLiteral("Enable Webcam Capture"));
    box->addWidget(chkWebcam);
}

LanguagePage::LanguagePage() {
    auto* box = new QVBoxLayout(this);
    QLabel* about =
        label(this, QStringLiteral("Pictavo 3 has been translated into different languages to "
                                   "make it even easier for more people to use."));
    about->setWordWrap(true);
    box->addWidget(about);
    auto* pick = new QHBoxLayout;
    comLangs = named(new QComboBox(this), "comLangs");
    comLangs->setPlaceholderText(QStringLiteral("Pick Language"));
    comLangs->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comLangs->setMinimumContentsLength(kLanguageListCharacters);
    cmdLangRefresh = optionsButton(this, "cmdLangRefresh", QStringLiteral("&Refresh"));
    pick->addWidget(comLangs, 1);
    pick->addWidget(cmdLangRefresh);
    box->addLayout(pick);
    lblLangBy = named(new ElidedLabel(this), "lblLangBy");
    lblLangWebsite = named(new LinkLabel(this), "lblLangWebsite");
    lblLangEmail = named(new LinkLabel(this), "lblLangEmail");
    lblLangVer = named(new ElidedLabel(this), "lblLangVer");
    for (QWidget* l : {static_cast<QWidget*>(lblLangBy), static_cast<QWidget*>(lblLangWebsite),
                       static_cast<QWidget*>(lblLangEmail), static_cast<QWidget*>(lblLangVer)}) {
        box->addWidget(l);
    }
}

void LanguagePage::showList(bool anyFiles) {
    comLangs->setPlaceholderText(anyFiles ? QStringLiteral("Pick Language")
                                          : QStringLiteral("No Language Files"));
    if (!anyFiles) {
        comLangs->setCurrentIndex(-1);
    }
    comLangs->setEnabled(anyFiles);
    for (QLabel* l : {lblLangBy, static_cast<QLabel*>(lblLangWebsite),
                      static_cast<QLabel*>(lblLangEmail), lblLangVer}) {
        l->setVisible(anyFiles);
    }
}

void LanguagePage::showInfo(const LanguageHeader& h) {
    lblLangBy->setText(h.language + QStringLiteral(" translation by ") + h.author);
    lblLangWebsite->setText(h.hasWebsite() ? h.website : QStringLiteral("No Website"));
    lblLangWebsite->setEnabled(h.hasWebsite());
    lblLangEmail->setText(h.hasEmail() ? h.email : QStringLiteral("No Email"));
    lblLangEmail->setEnabled(h.hasEmail());
    lblLangVer->setText(QStringLiteral("version ") + h.version);
}

}  // namespace pictavo
