#include "config/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include "config/ColourSwatch.h"
#include "config/LanguageFiles.h"
#include "config/LinkLabel.h"
#include "config/NumberBox.h"
#include "config/OptionsPages.h"
#include "config/OptionsWindow.h"
#include "controls/LightTab.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"
#include "dialogs/MsgBoxEx.h"
#include "dialogs/WindowPlacement.h"
#include "platform/VideoDevices.h"
#include "settings/NumericText.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

// In average characters: as much of a language's name as the list shows in a window of the
// usual width.
constexpr int kLanguageNameCharacters = 48;

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

frmOptions::frmOptions(Collaborators with)
    : FormObject(with.dialogs, [this] { return icon(); }), with_(std::move(with)) {}

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
    return with_.settings();
}

OptionsWindow* frmOptions::window() {
    return static_cast<OptionsWindow*>(widget());
}

OptionsWindow& frmOptions::w() {
    return *window();
}

void frmOptions::message(const QString& text) {
    MsgBoxEx(with_.dialogs(), text, MsgBox::OkOnly, kMessageCaption, -1, -1, icon(),
             loadedWidget());
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
    for (const OptionSetting& o : optionSettings()) {
        const QString subKey = QLatin1String(o.subKey);
        const QString name = QLatin1String(o.name);
        stored_.push_back({subKey, name, s.value(subKey, name)});
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
    GeneralPage& general = *ow.general;
    on(general.comFiletype, &QComboBox::currentIndexChanged,
       [&general] { general.applyFileType(); });
    on(general.txtQuality, &QLineEdit::editingFinished, [this, pw] { qualityEdited(*pw); });
    on(general.cmdSaveDir, &VexelButton::Click, [this, &general] {
        const QString folder = with_.dialogs().browseForFolder(
            QStringLiteral("Select Save Directory"), general.txtSaveDir->text());
        if (!folder.isEmpty()) {
            general.txtSaveDir->setText(folder);
        }
    });

    OverlayPage& overlay = *ow.overlay;
    for (QCheckBox* box : {overlay.chkOverlay, overlay.chkSaveOverlay}) {
        on(box, &QCheckBox::clicked, [&overlay] { overlay.applyEnabling(); });
    }
    on(overlay.txtText, &QLineEdit::textChanged, [this, pw] { refreshOverlayPreview(*pw); });
    connectLook(*overlay.look, [this, pw] { refreshOverlayPreview(*pw); });

    CountdownPage& countdown = *ow.countdown;
    on(countdown.chkCounter, &QCheckBox::clicked, [&countdown] { countdown.applyEnabling(); });
    connectLook(*countdown.look, [&countdown] { countdown.refreshPreview(); });

    LanguagePage& language = *ow.language;
    on(language.cmdLangRefresh, &VexelButton::Click, [this] { listLangs(); });
    QObject::connect(language.comLangs, &QComboBox::activated, &ow, [this](int index) {
        runHandler([this, index] {
            if (index >= 0 && index < fileLangs_.size()) {
                ShowLanguageInfo(ScreenshotsFolder + QLatin1Char('/') + fileLangs_[index]);
            }
        });
    });
    const auto log = [this](const QString& line) { settings().WriteLog(line); };
    on(language.lblLangWebsite, &LinkLabel::clicked,
       [this, &language, log] { OpenTarget(with_.shell(), language.lblLangWebsite->text(), log); });
    on(language.lblLangEmail, &LinkLabel::clicked, [this, &language, log] {
        OpenTarget(with_.shell(), QStringLiteral("mailto:") + language.lblLangEmail->text(), log);
    });
}

// The font and colour choosers of a look, and its preview following every change.
void frmOptions::connectLook(TextLook& look, const std::function<void()>& refresh) {
    on(&look, &TextLook::changed, refresh);
    on(look.fontButton, &VexelButton::Click, [this, &look, refresh] {
        if (const std::optional<QFont> chosen =
                with_.dialogs().chooseFont(QStringLiteral("Choose Font"), look.lookFont())) {
            look.setChosenFont(*chosen);
            refresh();
        }
    });
    for (const TextLook::ColourRow& row : look.colours) {
        on(row.button, &VexelButton::Click, [this, row, refresh] {
            if (const std::optional<QColor> chosen =
                    with_.dialogs().chooseColour(row.title, row.swatch->colour())) {
                row.swatch->setColour(*chosen);
                refresh();
            }
        });
    }
}

void frmOptions::fill(OptionsWindow& ow) {
    showSettings(ow, stored_);
    for (const Written& v : stored_) {
        if (v.name == QLatin1String("Quality")) {
            storedQuality_ = v.text;
        }
    }
    ow.general->applyFileType();
    ow.overlay->applyEnabling();
    ow.countdown->applyEnabling();
    refreshOverlayPreview(ow);
    ow.countdown->refreshPreview();
    fillLanguageList(ow);
}

bool frmOptions::validate(OptionsWindow& ow) {
    const auto refuse = [this](QLineEdit* box, const char* text) {
        message(QLatin1String(text));
        if (box->isVisible()) {
            box->setFocus();
        }
        return false;
    };
    const GeneralPage& general = *ow.general;
    if (general.txtFilename->text().isEmpty()) {
        return refuse(general.txtFilename, "Filename is invalid");
    }
    // The quality box counts only while it is shown: for JPG.
    const QString quality = general.txtQuality->text();
    const std::optional<double> q = numberFromText(quality);
    if (general.isJpeg() && (quality.isEmpty() || (q && *q > 100.0))) {
        return refuse(general.txtQuality, "Quality Must be Between 0 and 100");
    }
    if (general.txtTimeDelay->text().isEmpty()) {
        return refuse(general.txtTimeDelay, "Time Delay is invalid");
    }
    if (general.txtWarnDelay->text().isEmpty()) {
        return refuse(general.txtWarnDelay, "Warn Delay is invalid");
    }
    return true;
}

void frmOptions::cmdSave_Click() {
    OptionsWindow& ow = w();
    if (!validate(ow)) {
        return;
    }
    Settings& s = settings();
    for (const Written& v : textsToWrite(ow, stored_, atLoad_)) {
        s.setValue(v.subKey, v.name, v.text);
        if (v.name == QLatin1String("Webcam") &&
            ow.webcam->chkWebcam->checkState() == Qt::Checked) {
            ProbeWebcamDriver();
        }
    }
    s.ReadRegistry();
    Unload();
}

void frmOptions::cmdCancel_Click() {
    Unload();
}

void frmOptions::ProbeWebcamDriver() {
    const std::optional<QString> card = with_.video().firstCaptureCard();
    settings().WriteLog(QStringLiteral("Webcam: ") + card.value_or(QStringLiteral("none")));
}

void frmOptions::showTab(int n) {
    if (n >= 0 && n <= 4) {
        w().Tab1->setActiveTab(n);
    }
}

void frmOptions::qualityEdited(OptionsWindow& ow) {
    NumberBox* box = ow.general->txtQuality;
    const std::optional<double> q = numberFromText(box->text());
    if (q && *q > 100.0) {
        box->setText(storedQuality_);
        message(QStringLiteral("Quality Must be Between 0 and 100"));
    }
}

void frmOptions::refreshOverlayPreview(OptionsWindow& ow) {
    QString text = ow.overlay->txtText->text();
    if (text.isEmpty()) {
        text = QStringLiteral("Pictavo 3");
    }
    ow.overlay->refreshPreview(with_.sampleOverlay ? with_.sampleOverlay(text) : text);
}

void frmOptions::listLangs() {
    fillLanguageList(w());
}

void frmOptions::fillLanguageList(OptionsWindow& ow) {
    Settings& s = settings();
    LanguagePage& page = *ow.language;
    fileLangs_.clear();
    page.comLangs->clear();
    page.showList(true);
    const std::optional<QStringList> files = languageFileNames(ScreenshotsFolder);
    if (!files) {
        s.WriteLog(QStringLiteral("listLangs: No Folder"));
        page.showList(false);
        return;
    }
    s.WriteLog(QStringLiteral("listLangs: %1 language files").arg(files->size()));
    if (files->isEmpty()) {
        s.WriteLog(QStringLiteral("listLangs: No Files"));
        page.showList(false);
        return;
    }
    // A long name is cut in the list, and shown whole as its tooltip.
    const QFontMetrics metrics = page.comLangs->fontMetrics();
    const int room = metrics.averageCharWidth() * kLanguageNameCharacters;
    for (qsizetype i = 0; i < files->size(); ++i) {
        const QString name = GetLanguageName(ScreenshotsFolder + QLatin1Char('/') + files->at(i));
        const QString shown = metrics.elidedText(name, Qt::ElideRight, room);
        page.comLangs->addItem(shown);
        if (shown != name) {
            page.comLangs->setItemData(page.comLangs->count() - 1, name, Qt::ToolTipRole);
        }
        s.WriteLog(QStringLiteral("listLangs: language %1 - %2").arg(i + 1).arg(files->at(i)));
    }
    fileLangs_ = *files;
    // Nothing is picked: the information keeps showing the last language picked.
    page.comLangs->setCurrentIndex(-1);
}

void frmOptions::ShowLanguageInfo(const QString& path) {
    w().language->showInfo(parseLanguageHeader(readLanguageText(path)));
}

}  // namespace pictavo
