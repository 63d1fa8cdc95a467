#include "config/frmOptions.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "config/ColourSwatch.h"
#include "config/LanguageFiles.h"
#include "config/LinkLabel.h"
#include "config/NumberBox.h"
#include "config/OptionsWindow.h"
#include "controls/LightTab.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"
#include "dialogs/MsgBoxEx.h"
#include "dialogs/WindowPlacement.h"
#include "platform/VideoDevices.h"
#include "settings/ColourValue.h"
#include "settings/NumericText.h"
#include "settings/SettingReaders.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kOverlay = QStringLiteral("Overlay");
const QString kCountdown = QStringLiteral("Countdown");
const QString kMissing = QStringLiteral("Error");  // what the store answers for a missing value

// Every value the window writes, in the order it writes them.
struct Field {
    const QString& subKey;
    const char* name;
};
const Field kFields[] = {
    {kOptions, "Overlay"},          {kOptions, "SaveOverlay"},
    {kOptions, "WarnDelay"},        {kOptions, "WarnDelayAmount"},
    {kOptions, "SaveMsgBox"},       {kOptions, "Counter"},
    {kOptions, "Clipboard"},        {kOptions, "Preview"},
    {kOptions, "PreviewSave"},      {kOptions, "MenuIcons"},
    {kOptions, "Delete"},           {kOptions, "FileName"},
    {kOptions, "FileType"},         {kOptions, "FileNameLen"},
    {kOptions, "FileTypeLen"},      {kOptions, "TimeDelay"},
    {kOptions, "Quality"},          {kOptions, "SaveDir"},
    {kOptions, "SaveDirLen"},       {kOverlay, "Font"},
    {kOverlay, "FontBold"},         {kOverlay, "FontItalic"},
    {kOverlay, "FontSize"},         {kOverlay, "FontStrikethru"},
    {kOverlay, "FontUnderline"},    {kOverlay, "ForeColour"},
    {kOverlay, "BackColour"},       {kOverlay, "Text"},
    {kCountdown, "Font"},           {kCountdown, "FontBold"},
    {kCountdown, "FontItalic"},     {kCountdown, "FontSize"},
    {kCountdown, "FontStrikethru"}, {kCountdown, "FontUnderline"},
    {kCountdown, "ForeColor"},      {kCountdown, "BackColor"},
    {kCountdown, "Shadow"},         {kOptions, "Webcam"},
    {kOverlay, "Position"},
};

// A length value and the value whose length it is.
struct Length {
    const char* name;
    const char* of;
};
const Length kLengths[] = {
    {"FileNameLen", "FileName"}, {"FileTypeLen", "FileType"}, {"SaveDirLen", "SaveDir"}};

// Twips: the shadow of the countdown digits lies this far right of and below them.
constexpr int kShadowOffset = 30;
// In average characters: as much of a language's name as the list shows in a window of the
// usual width.
constexpr int kLanguageNameCharacters = 48;

QString flagText(const QCheckBox* box) {
    return box->checkState() != Qt::Unchecked ? QStringLiteral("1") : QStringLiteral("0");
}

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString colourText(const QColor& c) {
    return QString::number(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QString sizeText(const QFont& font) {
    return QString::number(font.pointSizeF());
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

// A small camera on a rounded tile, drawn rather than shipped.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2d, 0x6c, 0xb4));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.15, s * 0.32, s * 0.7, s * 0.48), s * 0.08, s * 0.08);
    p.drawRect(QRectF(s * 0.36, s * 0.22, s * 0.28, s * 0.14));
    p.setBrush(QColor(0x2d, 0x6c, 0xb4));
    p.drawEllipse(QPointF(s * 0.5, s * 0.56), s * 0.16, s * 0.16);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.5, s * 0.56), s * 0.08, s * 0.08);
    return pixmap;
}

}  // namespace

frmOptions::frmOptions(Parts parts)
    : FormObject(parts.dialogs, [this] { return icon(); }), p_(std::move(parts)) {}

frmOptions::~frmOptions() = default;

const QIcon& frmOptions::icon() {
    if (icon_.isNull()) {
        for (const int size : {16, 32, 48}) {
            icon_.addPixmap(drawIcon(size));
        }
    }
    return icon_;
}

Settings& frmOptions::settings() {
    return p_.settings();
}

OptionsWindow* frmOptions::window() {
    return static_cast<OptionsWindow*>(widget());
}

OptionsWindow& frmOptions::w() {
    return *window();
}

void frmOptions::message(const QString& text) {
    MsgBoxEx(p_.dialogs(), text, MsgBox::OkOnly, kMessageCaption, -1, -1, icon(), loadedWidget());
}

std::unique_ptr<QWidget> frmOptions::Form_Load() {
    Settings& s = settings();
    s.WriteLog(QStringLiteral("----------Options Load----------"));
    auto window = std::make_unique<OptionsWindow>();
    OptionsWindow& ow = *window;
    ow.setWindowIcon(icon());
    connectHandlers(ow);
    ow.Tab1->setActiveTab(0);
    ow.imgLogo->setPixmap(logoPicture(ow.devicePixelRatioF()));

    stored_.clear();
    for (const Field& f : kFields) {
        stored_.push_back(
            {f.subKey, QLatin1String(f.name), s.value(f.subKey, QLatin1String(f.name))});
    }
    fill(ow);
    atLoad_ = controlTexts(ow);
    ow.placeChrome();
    centreOnPointerMonitor(ow);
    return window;
}

void frmOptions::Form_Unload(QWidget& /*window*/) {
    settings().WriteLog(QStringLiteral("----------Options Unload----------"));
    stored_.clear();
    atLoad_.clear();
    fileLangs_.clear();
}

void frmOptions::connectHandlers(OptionsWindow& ow) {
    on(&ow, &OptionsWindow::enterPressed, [this] { cmdSave_Click(); });
    on(&ow, &OptionsWindow::escapePressed, [this] { cmdCancel_Click(); });
    on(ow.chrome, &WindowChrome::closeClicked, [this] { cmdCancel_Click(); });
    for (int i = 0; i < OptionsWindow::kPages; ++i) {
        on(ow.cmdSave[i], &VexelButton::Click, [this] { cmdSave_Click(); });
        on(ow.cmdCancel[i], &VexelButton::Click, [this] { cmdCancel_Click(); });
    }
    OptionsWindow* pw = &ow;
    QObject::connect(ow.Tab1, &LightTab::TabChanged, &ow,
                     [this, pw](int index) { runHandler([pw, index] { pw->showPage(index); }); });
    on(ow.comFiletype, &QComboBox::currentIndexChanged, [this, pw] { applyFileType(*pw); });
    on(ow.txtQuality, &QLineEdit::editingFinished, [this, pw] { qualityEdited(*pw); });
    on(ow.cmdSaveDir, &VexelButton::Click, [this, pw] {
        const QString folder = p_.dialogs().browseForFolder(QStringLiteral("Select Save Directory"),
                                                            pw->txtSaveDir->text());
        if (!folder.isEmpty()) {
            pw->txtSaveDir->setText(folder);
        }
    });

    // Overlay
    on(ow.chkOverlay, &QCheckBox::clicked, [this, pw] { applyOverlayEnabling(*pw); });
    on(ow.chkSaveOverlay, &QCheckBox::clicked, [this, pw] { applyOverlayEnabling(*pw); });
    on(ow.txtText, &QLineEdit::textChanged, [this, pw] { refreshOverlayPreview(*pw); });
    const auto overlayStyle = [this, pw](QCheckBox* box, void (QFont::*set)(bool)) {
        on(box, &QCheckBox::clicked, [this, pw, box, set] {
            (overlay_.font.*set)(box->isChecked());
            refreshOverlayPreview(*pw);
        });
    };
    overlayStyle(ow.optBold, &QFont::setBold);
    overlayStyle(ow.optItalic, &QFont::setItalic);
    overlayStyle(ow.optUnderline, &QFont::setUnderline);
    overlayStyle(ow.optStrikethru, &QFont::setStrikeOut);
    on(ow.cmdFont, &VexelButton::Click, [this, pw] { chooseOverlayFont(*pw); });
    on(ow.cmdTextColour, &VexelButton::Click, [this, pw] {
        chooseColour(QStringLiteral("Choose Text Colour"), overlay_.fore, pw->shpTextColour,
                     [this, pw] { refreshOverlayPreview(*pw); });
    });
    on(ow.cmdBackColour, &VexelButton::Click, [this, pw] {
        chooseColour(QStringLiteral("Choose Back Colour"), overlay_.back, pw->shpBackColour,
                     [this, pw] { refreshOverlayPreview(*pw); });
    });

    // Countdown
    on(ow.chkCounter, &QCheckBox::clicked, [this, pw] { applyCountdownEnabling(*pw); });
    const auto countdownStyle = [this, pw](QCheckBox* box, void (QFont::*set)(bool)) {
        on(box, &QCheckBox::clicked, [this, pw, box, set] {
            (countdown_.font.*set)(box->isChecked());
            refreshCountdownPreview(*pw);
        });
    };
    countdownStyle(ow.chkBoldC, &QFont::setBold);
    countdownStyle(ow.chkItalicC, &QFont::setItalic);
    countdownStyle(ow.chkUnderlineC, &QFont::setUnderline);
    countdownStyle(ow.chkStrikethruC, &QFont::setStrikeOut);
    on(ow.cmdFontC, &VexelButton::Click, [this, pw] { chooseCountdownFont(*pw); });
    const auto countdownColour = [this, pw](VexelButton* button, const char* title,
                                            QColor CountdownLook::*colour, ColourSwatch* swatch) {
        on(button, &VexelButton::Click, [this, pw, title, colour, swatch] {
            chooseColour(QLatin1String(title), countdown_.*colour, swatch,
                         [this, pw] { refreshCountdownPreview(*pw); });
        });
    };
    countdownColour(ow.cmdTextColourC, "Choose Text Colour", &CountdownLook::fore,
                    ow.shpTextColorC);
    countdownColour(ow.cmdbackColourC, "Choose Back Colour", &CountdownLook::back,
                    ow.shpBackColorC);
    countdownColour(ow.cmdShadowC, "Choose Shadow Colour", &CountdownLook::shadow, ow.shpShadowC);

    // Language
    on(ow.cmdLangRefresh, &VexelButton::Click, [this] { listLangs(); });
    QObject::connect(ow.comLangs, &QComboBox::activated, &ow, [this](int index) {
        runHandler([this, index] {
            if (index >= 0 && index < fileLangs_.size()) {
                ShowLanguageInfo(ScreenshotsFolder + QLatin1Char('/') + fileLangs_[index]);
            }
        });
    });
    const auto log = [this](const QString& line) { settings().WriteLog(line); };
    on(ow.lblLangWebsite, &LinkLabel::clicked,
       [this, pw, log] { OpenTarget(p_.shell(), pw->lblLangWebsite->text(), log); });
    on(ow.lblLangEmail, &LinkLabel::clicked, [this, pw, log] {
        OpenTarget(p_.shell(), QStringLiteral("mailto:") + pw->lblLangEmail->text(), log);
    });
}

void frmOptions::fill(OptionsWindow& ow) {
    const SettingLookup lookup = [this](const QString& subKey, const QString& name) {
        for (const Written& v : stored_) {
            if (v.subKey == subKey && v.name == name) {
                return v.text;
            }
        }
        return QString();
    };
    const auto stored = [&lookup](const QString& subKey, const char* name) {
        return lookup(subKey, QLatin1String(name));
    };
    const auto tick = [&](QCheckBox* box, const char* name) {
        box->setChecked(flagIsOn(stored(kOptions, name)));
    };
    tick(ow.chkCounter, "Counter");
    tick(ow.chkOverlay, "Overlay");
    tick(ow.chkSaveOverlay, "SaveOverlay");
    tick(ow.chkClipBoard, "Clipboard");
    tick(ow.chkPreview, "Preview");
    tick(ow.chkPreviewSave, "PreviewSave");
    tick(ow.chkDelete, "Delete");
    ow.txtFilename->setText(stored(kOptions, "FileName"));
    ow.comFiletype->setCurrentIndex(
        ow.comFiletype->findText(stored(kOptions, "FileType").toUpper()));
    applyFileType(ow);
    tick(ow.chkSaveMsgBox, "SaveMsgBox");
    tick(ow.chkMenu, "MenuIcons");
    tick(ow.chkWarnDelay, "WarnDelay");
    ow.txtWarnDelay->setText(stored(kOptions, "WarnDelayAmount"));
    ow.txtTimeDelay->setText(stored(kOptions, "TimeDelay"));
    storedQuality_ = stored(kOptions, "Quality");
    ow.txtQuality->setText(storedQuality_);
    ow.txtSaveDir->setText(stored(kOptions, "SaveDir"));

    // Overlay: every style box shows the stored style.
    ow.txtText->setText(stored(kOverlay, "Text"));
    const auto colour = [&lookup](const QString& subKey, const char* name) {
        return colourFromValue(colourSetting(lookup, subKey, QLatin1String(name)));
    };
    overlay_.fore = colour(kOverlay, "ForeColour");
    overlay_.back = colour(kOverlay, "BackColour");
    overlay_.font = fontSetting(
        lookup, kOverlay,
        {FlagRule::NonZeroIsOn, FlagRule::NonZeroIsOn, FlagRule::OneIsOn, FlagRule::OneIsOn});
    ow.shpTextColour->setColour(overlay_.fore);
    ow.shpBackColour->setColour(overlay_.back);
    ow.optBold->setChecked(overlay_.font.bold());
    ow.optItalic->setChecked(overlay_.font.italic());
    ow.optUnderline->setChecked(overlay_.font.underline());
    ow.optStrikethru->setChecked(overlay_.font.strikeOut());
    const std::optional<double> position = numberFromText(stored(kOverlay, "Position"));
    const bool validPosition =
        position && *position >= 1 && *position <= 9 && std::floor(*position) == *position;
    ow.opt[validPosition ? static_cast<int>(*position) - 1 : 8]->setChecked(true);
    applyOverlayEnabling(ow);

    tick(ow.chkWebcam, "Webcam");

    // Countdown
    countdown_.fore = colour(kCountdown, "ForeColor");
    countdown_.back = colour(kCountdown, "BackColor");
    countdown_.shadow = colour(kCountdown, "Shadow");
    countdown_.font = fontSetting(lookup, kCountdown, FontFlags::all(FlagRule::OneIsOn));
    ow.shpTextColorC->setColour(countdown_.fore);
    ow.shpBackColorC->setColour(countdown_.back);
    ow.shpShadowC->setColour(countdown_.shadow);
    ow.chkBoldC->setChecked(countdown_.font.bold());
    ow.chkItalicC->setChecked(countdown_.font.italic());
    ow.chkUnderlineC->setChecked(countdown_.font.underline());
    ow.chkStrikethruC->setChecked(countdown_.font.strikeOut());
    applyCountdownEnabling(ow);

    refreshOverlayPreview(ow);
    refreshCountdownPreview(ow);
    fillLanguageList(ow);
}

std::vector<frmOptions::Written> frmOptions::controlTexts(OptionsWindow& ow) const {
    const auto text = [&](const QString& subKey, const QString& name) -> QString {
        const auto is = [&](const QString& sub, const char* n) {
            return subKey == sub && name == QLatin1String(n);
        };
        if (is(kOptions, "Overlay"))
            return flagText(ow.chkOverlay);
        if (is(kOptions, "SaveOverlay"))
            return flagText(ow.chkSaveOverlay);
        if (is(kOptions, "WarnDelay"))
            return flagText(ow.chkWarnDelay);
        if (is(kOptions, "WarnDelayAmount"))
            return ow.txtWarnDelay->text();
        if (is(kOptions, "SaveMsgBox"))
            return flagText(ow.chkSaveMsgBox);
        if (is(kOptions, "Counter"))
            return flagText(ow.chkCounter);
        if (is(kOptions, "Clipboard"))
            return flagText(ow.chkClipBoard);
        if (is(kOptions, "Preview"))
            return flagText(ow.chkPreview);
        if (is(kOptions, "PreviewSave"))
            return flagText(ow.chkPreviewSave);
        if (is(kOptions, "MenuIcons"))
            return flagText(ow.chkMenu);
        if (is(kOptions, "Delete"))
            return flagText(ow.chkDelete);
        if (is(kOptions, "FileName"))
            return ow.txtFilename->text();
        if (is(kOptions, "FileType"))
            return ow.comFiletype->currentText().toLower();
        if (is(kOptions, "TimeDelay"))
            return ow.txtTimeDelay->text();
        if (is(kOptions, "Quality"))
            return ow.txtQuality->text();
        if (is(kOptions, "SaveDir"))
            return ow.txtSaveDir->text();
        if (is(kOptions, "Webcam"))
            return flagText(ow.chkWebcam);
        if (is(kOverlay, "Text"))
            return ow.txtText->text();
        if (is(kOverlay, "Position"))
            return QString::number(ow.optPosition->checkedId());
        const bool isOverlay = subKey == kOverlay;
        const QFont& font = isOverlay ? overlay_.font : countdown_.font;
        if (name == QLatin1String("Font"))
            return font.family();
        if (name == QLatin1String("FontBold"))
            return flagText(font.bold());
        if (name == QLatin1String("FontItalic"))
            return flagText(font.italic());
        if (name == QLatin1String("FontSize"))
            return sizeText(font);
        if (name == QLatin1String("FontStrikethru"))
            return flagText(font.strikeOut());
        if (name == QLatin1String("FontUnderline"))
            return flagText(font.underline());
        if (is(kOverlay, "ForeColour"))
            return colourText(overlay_.fore);
        if (is(kOverlay, "BackColour"))
            return colourText(overlay_.back);
        if (is(kCountdown, "ForeColor"))
            return colourText(countdown_.fore);
        if (is(kCountdown, "BackColor"))
            return colourText(countdown_.back);
        if (is(kCountdown, "Shadow"))
            return colourText(countdown_.shadow);
        return QString();  // a length: worked out from what is written with it
    };
    std::vector<Written> texts;
    for (const Field& f : kFields) {
        const QString name = QLatin1String(f.name);
        texts.push_back({f.subKey, name, text(f.subKey, name)});
    }
    return texts;
}

std::vector<frmOptions::Written> frmOptions::textsToWrite(OptionsWindow& ow) const {
    std::vector<Written> out = controlTexts(ow);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const QString& stored = stored_[i].text;
        // The quality box, hidden for any type but JPG, changes nothing while it is hidden.
        const bool hiddenQuality = out[i].name == QLatin1String("Quality") && !isJpeg(ow);
        if ((out[i].text == atLoad_[i].text || hiddenQuality) && stored != kMissing) {
            out[i].text = stored;
        }
    }
    for (const Length& l : kLengths) {
        auto find = [&out](const char* name) -> Written& {
            for (Written& v : out) {
                if (v.subKey == kOptions && v.name == QLatin1String(name)) {
                    return v;
                }
            }
            return out.front();
        };
        find(l.name).text = QString::number(find(l.of).text.size());
    }
    return out;
}

bool frmOptions::validate(OptionsWindow& ow) {
    const auto refuse = [this](QLineEdit* box, const char* text) {
        message(QLatin1String(text));
        if (box->isVisible()) {
            box->setFocus();
        }
        return false;
    };
    if (ow.txtFilename->text().isEmpty()) {
        return refuse(ow.txtFilename, "Filename is invalid");
    }
    // The quality box counts only while it is shown: for JPG.
    const QString quality = ow.txtQuality->text();
    const std::optional<double> q = numberFromText(quality);
    if (isJpeg(ow) && (quality.isEmpty() || (q && *q > 100.0))) {
        return refuse(ow.txtQuality, "Quality Must be Between 0 and 100");
    }
    if (ow.txtTimeDelay->text().isEmpty()) {
        return refuse(ow.txtTimeDelay, "Time Delay is invalid");
    }
    if (ow.txtWarnDelay->text().isEmpty()) {
        return refuse(ow.txtWarnDelay, "Warn Delay is invalid");
    }
    return true;
}

void frmOptions::cmdSave_Click() {
    OptionsWindow& ow = w();
    if (!validate(ow)) {
        return;
    }
    Settings& s = settings();
    for (const Written& v : textsToWrite(ow)) {
        if (v.name == QLatin1String("Position") && ow.chkWebcam->checkState() == Qt::Checked) {
            ProbeWebcamDriver();
        }
        s.setValue(v.subKey, v.name, v.text);
    }
    s.ReadRegistry();
    Unload();
}

void frmOptions::cmdCancel_Click() {
    Unload();
}

void frmOptions::ProbeWebcamDriver() {
    const std::optional<QString> card = p_.video().firstCaptureCard();
    settings().WriteLog(QStringLiteral("Webcam: ") + card.value_or(QStringLiteral("none")));
}

void frmOptions::showTab(int n) {
    if (n >= 0 && n <= 4) {
        w().Tab1->setActiveTab(n);
    }
}

bool frmOptions::isJpeg(const OptionsWindow& ow) {
    return ow.comFiletype->currentText() == QLatin1String("JPG");
}

void frmOptions::applyFileType(OptionsWindow& ow) {
    const bool jpeg = isJpeg(ow);
    for (QWidget* c : {static_cast<QWidget*>(ow.lblQuality), static_cast<QWidget*>(ow.txtQuality),
                       static_cast<QWidget*>(ow.lblQualityRange)}) {
        c->setVisible(jpeg);
    }
}

void frmOptions::qualityEdited(OptionsWindow& ow) {
    const std::optional<double> q = numberFromText(ow.txtQuality->text());
    if (q && *q > 100.0) {
        ow.txtQuality->setText(storedQuality_);
        message(QStringLiteral("Quality Must be Between 0 and 100"));
    }
}

void frmOptions::applyOverlayEnabling(OptionsWindow& ow) {
    const bool on = ow.chkOverlay->isChecked() || ow.chkSaveOverlay->isChecked();
    QList<QWidget*> group = ow.overlayLabels;
    group << ow.txtText << ow.lblTags << ow.optBold << ow.optItalic << ow.optUnderline
          << ow.optStrikethru << ow.cmdFont << ow.cmdTextColour << ow.cmdBackColour << ow.lblFont
          << ow.lblPreview;
    for (QRadioButton* b : ow.opt) {
        group << b;
    }
    for (QWidget* c : group) {
        c->setEnabled(on);
    }
    ow.shpTextColour->setGreyed(!on);
    ow.shpBackColour->setGreyed(!on);
}

void frmOptions::applyCountdownEnabling(OptionsWindow& ow) {
    const bool on = ow.chkCounter->isChecked();
    QList<QWidget*> group = ow.countdownLabels;
    group << ow.chkBoldC << ow.chkItalicC << ow.chkUnderlineC << ow.chkStrikethruC
          << ow.cmdTextColourC << ow.cmdbackColourC << ow.cmdShadowC << ow.cmdFontC << ow.lblFontC
          << ow.picBackground << ow.lblPreviewC;
    for (QWidget* c : group) {
        c->setEnabled(on);
    }
    for (ColourSwatch* s : {ow.shpTextColorC, ow.shpBackColorC, ow.shpShadowC}) {
        s->setGreyed(!on);
    }
}

void frmOptions::refreshOverlayPreview(OptionsWindow& ow) {
    QString text = ow.txtText->text();
    if (text.isEmpty()) {
        text = QStringLiteral("Pictavo 3");
    }
    text = p_.sampleOverlay ? p_.sampleOverlay(text) : text;
    ow.lblPreview->setText(text);
    // Shown within its area: a large font reduced, and what is still too long cut at the end.
    const QSize room = ow.picOverlayPreview->size();
    ow.lblPreview->setFont(fittingFont(overlay_.font, text, room, ow.font().pointSizeF()));
    setColours(ow.lblPreview, overlay_.fore, overlay_.back);
    ow.lblPreview->adjustSize();
    const QSize shown = ow.lblPreview->size().boundedTo(room);
    ow.lblPreview->setAlignment(shown.width() < ow.lblPreview->width()
                                    ? Qt::AlignLeft | Qt::AlignVCenter
                                    : Qt::AlignCenter);
    ow.lblPreview->setGeometry(QRect(
        QPoint((room.width() - shown.width()) / 2, (room.height() - shown.height()) / 2), shown));
    ow.lblFont->setText(overlay_.font.family());
    QFont face = overlay_.font;
    face.setPointSizeF(ow.font().pointSizeF());
    ow.lblFont->setFont(face);
}

void frmOptions::refreshCountdownPreview(OptionsWindow& ow) {
    const int tppX = twipsPerPixelX(&ow);
    const int tppY = twipsPerPixelY(&ow);
    const QPoint shadow(toPixels(kShadowOffset, tppX), toPixels(kShadowOffset, tppY));
    // The digits and their shadow fit the picture, reduced when the font is larger.
    const QSize picture = ow.picBackground->size();
    const QSize room = picture - 2 * QSize(shadow.x(), shadow.y());
    const QFont font = fittingFont(countdown_.font, ow.lblPreviewC->text(), room, 0);
    ow.lblPreviewC->setFont(font);
    ow.lblPreview2C->setFont(font);
    setColours(ow.lblPreviewC, countdown_.fore);
    setColours(ow.lblPreview2C, countdown_.shadow, QColor(), QPalette::Light);
    setColours(ow.picBackground, QColor(), countdown_.back);
    ow.lblFontC->setText(countdown_.font.family());
    QFont face = countdown_.font;
    face.setPointSizeF(ow.font().pointSizeF());
    ow.lblFontC->setFont(face);

    ow.lblPreviewC->adjustSize();
    const QSize label = ow.lblPreviewC->size().boundedTo(room);
    const QPoint at(picture.width() / 2 - label.width() / 2,
                    picture.height() / 2 - label.height() / 2);
    ow.lblPreviewC->setGeometry(QRect(at, label));
    ow.lblPreview2C->setGeometry(QRect(at + shadow, label));
}

void frmOptions::chooseColour(const QString& title, QColor& target, ColourSwatch* swatch,
                              const std::function<void()>& refresh) {
    const std::optional<QColor> chosen = p_.dialogs().chooseColour(title, target);
    if (!chosen) {
        return;
    }
    target = *chosen;
    swatch->setColour(target);
    refresh();
}

void frmOptions::chooseOverlayFont(OptionsWindow& ow) {
    const std::optional<QFont> chosen =
        p_.dialogs().chooseFont(QStringLiteral("Choose Font"), overlay_.font);
    if (!chosen) {
        return;
    }
    overlay_.font = *chosen;
    ow.optBold->setChecked(chosen->bold());
    ow.optItalic->setChecked(chosen->italic());
    ow.optUnderline->setChecked(chosen->underline());
    ow.optStrikethru->setChecked(chosen->strikeOut());
    refreshOverlayPreview(ow);
}

void frmOptions::chooseCountdownFont(OptionsWindow& ow) {
    const std::optional<QFont> chosen =
        p_.dialogs().chooseFont(QStringLiteral("Choose Font"), countdown_.font);
    if (!chosen) {
        return;
    }
    countdown_.font = *chosen;
    ow.chkBoldC->setChecked(chosen->bold());
    ow.chkItalicC->setChecked(chosen->italic());
    ow.chkUnderlineC->setChecked(chosen->underline());
    ow.chkStrikethruC->setChecked(chosen->strikeOut());
    refreshCountdownPreview(ow);
}

void frmOptions::ShowLanguageControls(OptionsWindow& ow) {
    ow.comLangs->setEnabled(true);
    ow.comLangs->setPlaceholderText(QStringLiteral("Pick Language"));
    for (QLabel* l : {ow.lblLangBy, static_cast<QLabel*>(ow.lblLangWebsite),
                      static_cast<QLabel*>(ow.lblLangEmail), ow.lblLangVer}) {
        l->setVisible(true);
    }
}

void frmOptions::ShowNoLanguageFiles(OptionsWindow& ow) {
    ow.comLangs->setPlaceholderText(QStringLiteral("No Language Files"));
    ow.comLangs->setCurrentIndex(-1);
    ow.comLangs->setEnabled(false);
    for (QLabel* l : {ow.lblLangBy, static_cast<QLabel*>(ow.lblLangWebsite),
                      static_cast<QLabel*>(ow.lblLangEmail), ow.lblLangVer}) {
        l->setVisible(false);
    }
}

void frmOptions::listLangs() {
    fillLanguageList(w());
}

void frmOptions::fillLanguageList(OptionsWindow& ow) {
    Settings& s = settings();
    fileLangs_.clear();
    ow.comLangs->clear();
    ShowLanguageControls(ow);
    const std::optional<QStringList> files = languageFileNames(ScreenshotsFolder);
    if (!files) {
        s.WriteLog(QStringLiteral("listLangs: No Folder"));
        ShowNoLanguageFiles(ow);
        return;
    }
    s.WriteLog(QStringLiteral("listLangs: %1 language files").arg(files->size()));
    if (files->isEmpty()) {
        s.WriteLog(QStringLiteral("listLangs: No Files"));
        ShowNoLanguageFiles(ow);
        return;
    }
    // A long name is cut in the list, and shown whole as its tooltip.
    const QFontMetrics metrics = ow.comLangs->fontMetrics();
    const int room = metrics.averageCharWidth() * kLanguageNameCharacters;
    for (qsizetype i = 0; i < files->size(); ++i) {
        const QString name = GetLanguageName(ScreenshotsFolder + QLatin1Char('/') + files->at(i));
        const QString shown = metrics.elidedText(name, Qt::ElideRight, room);
        ow.comLangs->addItem(shown);
        if (shown != name) {
            ow.comLangs->setItemData(ow.comLangs->count() - 1, name, Qt::ToolTipRole);
        }
        s.WriteLog(QStringLiteral("listLangs: language %1 - %2").arg(i + 1).arg(files->at(i)));
    }
    fileLangs_ = *files;
    // Nothing is picked: the information keeps showing the last language picked.
    ow.comLangs->setCurrentIndex(-1);
    ow.comLangs->setEnabled(true);
}

void frmOptions::ShowLanguageInfo(const QString& path) {
    OptionsWindow& ow = w();
    const LanguageHeader h = parseLanguageHeader(readLanguageText(path));
    ow.lblLangBy->setText(h.language + QStringLiteral(" translation by ") + h.author);
    ow.lblLangWebsite->setText(h.hasWebsite() ? h.website : QStringLiteral("No Website"));
    ow.lblLangWebsite->setEnabled(h.hasWebsite());
    ow.lblLangEmail->setText(h.hasEmail() ? h.email : QStringLiteral("No Email"));
    ow.lblLangEmail->setEnabled(h.hasEmail());
    ow.lblLangVer->setText(QStringLiteral("version ") + h.version);
}

}  // namespace pictavo
