#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "config/ColourSwatch.h"
#include "config/LanguageFiles.h"
#include "config/LinkLabel.h"
#include "config/NumberBox.h"
#include "config/OptionsPages.h"
#include "config/OptionsWindow.h"
#include "config/frmOptions.h"
#include "controls/LightTab.h"
#include "controls/VexelButton.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using pictavo::test::TestComponent;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class Options : public ::testing::Test {
protected:
    Options() {
        EXPECT_TRUE(tc.initialize());
        tc.set("", "Log", QStringLiteral("1"));
    }
    ~Options() override { form().Unload(); }

    frmOptions& form() { return tc.pv->optionsForm(); }
    // Loads and shows the window (not modally).
    OptionsWindow& open() {
        OptionsWindow* w = form().window();
        w->show();
        return *w;
    }
    // A control of the shown window, by its name.
    template <class Control = QWidget>
    Control* named(const char* name) {
        auto* c = form().window()->findChild<Control*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // Every value of the pages' keys.
    QStringList snapshot() {
        QStringList all;
        for (const SettingDefault& d : SettingsSchema::defaults()) {
            if (QByteArray(d.subKey) != "" && QByteArray(d.subKey) != "DrawTools") {
                all << QStringLiteral("%1\\%2=%3").arg(d.subKey, d.name, tc.get(d.subKey, d.name));
            }
        }
        return all;
    }

    TestComponent tc;
};

}  // namespace

// A value no widget can show as it is stored survives a Save untouched; what the user changed
// is written, with the lengths of the texts written.
TEST_F(Options, SaveWritesWhatTheUserChangedAndEveryOtherValueAsStored) {
    tc.video->card = QStringLiteral("Cam 1");
    const char* const stored[][3] = {
        {"Overlay", "Font", "No Such Face"}, {"Overlay", "FontSize", "9.75"},
        {"Overlay", "FontBold", "2"},        {"Overlay", "ForeColour", "4294967295"},
        {"Overlay", "Position", "12"},       {"Countdown", "BackColor", "-1"},
        {"Options", "Delete", "2"},          {"Options", "FileType", "jpg"},
        {"Options", "FileTypeLen", "99"},    {"Overlay", "FontUnderline", "1"},
    };
    for (const auto& v : stored) {
        tc.set(v[0], v[1], QLatin1String(v[2]));
    }
    QStringList expected = snapshot();
    OptionsWindow& w = open();
    EXPECT_EQ(w.shownPage(), 0);
    EXPECT_EQ(w.Tab1->tabCaptions(),
              QStringList({"General", "Areas", "Overlay Text", "Countdown", "Webcam", "Language"}));
    EXPECT_TRUE(w.overlay->opt[8]->isChecked());            // position 12 shows as 9
    EXPECT_TRUE(named<QCheckBox>("optBold")->isChecked());  // "2" is bold on the overlay
    EXPECT_TRUE(w.overlay->lblPreview->font().underline() && w.overlay->lblPreview->font().bold());

    w.general->chkPreview->click();
    w.general->txtFilename->setText(QStringLiteral("Shot"));
    w.general->comFiletype->setCurrentText(QStringLiteral("BMP"));
    w.overlay->chkOverlay->click();
    w.webcam->chkWebcam->click();
    tc.dialogs->colours.enqueue(QColor(1, 2, 3));
    named<VexelButton>("cmdBackColour")->Click();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSizeF(14.5);
    chosen.setItalic(true);
    tc.dialogs->fonts.enqueue(chosen);
    named<VexelButton>("cmdFontC")->Click();
    tc.dialogs->folders.enqueue(QStringLiteral("/picked"));
    w.general->cmdSaveDir->Click();
    EXPECT_EQ(tc.dialogs->choosers,
              (QStringList{"Choose Back Colour", "Choose Font", "Select Save Directory"}));
    EXPECT_TRUE(named<QCheckBox>("chkItalicC")->isChecked());
    w.Tab1->setActiveTab(4);
    QTest::keyClick(w.webcam->chkWebcam, Qt::Key_Return);  // Enter on any page saves

    EXPECT_FALSE(form().isLoaded());
    const char* const changed[] = {
        "Options\\Preview=0",       "Options\\FileName=Shot",     "Options\\FileNameLen=4",
        "Options\\FileType=bmp",    "Options\\FileTypeLen=3",     "Options\\Webcam=1",
        "Options\\Overlay=1",       "Overlay\\BackColour=197121", "Countdown\\Font=DejaVu Serif",
        "Countdown\\FontSize=14.5", "Countdown\\FontItalic=1",    "Countdown\\FontBold=0",
        "Options\\SaveDir=/picked", "Options\\SaveDirLen=7",
    };
    for (const QString c : changed) {
        const QString key = c.left(c.indexOf(QLatin1Char('=')) + 1);
        std::replace_if(
            expected.begin(), expected.end(),
            [&key](const QString& v) { return v.startsWith(key); }, c);
    }
    EXPECT_EQ(snapshot(), expected);
    EXPECT_EQ(tc.pv->settings().record().Preview, QStringLiteral("0"));
    EXPECT_EQ(tc.video->probes, 1);
    const QStringList log = test::logLines();
    EXPECT_TRUE(log.contains(QStringLiteral("Webcam: Cam 1")));
    EXPECT_TRUE(log.contains(QStringLiteral("----------Options Load----------")));
    EXPECT_EQ(log.last(), QStringLiteral("----------Options Unload----------"));
}

TEST_F(Options, SaveRefusesBoxesThatWouldBreakCapturesAndWritesNothing) {
    tc.set("Options", "FileType", QStringLiteral("jpg"));
    const char* const rows[][3] = {
        {"txtFilename", "", "Filename is invalid"},
        {"txtQuality", "", "Quality Must be Between 0 and 100"},
        {"txtQuality", "101", "Quality Must be Between 0 and 100"},
        {"txtTimeDelay", "", "Time Delay is invalid"},
        {"txtWarnDelay", "", "Warn Delay is invalid"},
    };
    const QStringList before = snapshot();
    for (const auto& [box, text, message] : rows) {
        SCOPED_TRACE(message);
        tc.dialogs->messages.clear();
        form().Unload();
        open().general->chkPreview->click();
        named<QLineEdit>(box)->setText(QLatin1String(text));
        form().cmdSave_Click();
        EXPECT_EQ(tc.dialogs->prompts(), QStringList{QLatin1String(message)});
        EXPECT_TRUE(form().isLoaded());
        EXPECT_EQ(snapshot(), before);
    }
    // The box is hidden for other types: it holds Save back no more, and changes nothing.
    tc.set("Options", "Quality", QStringLiteral("150"));
    form().Unload();
    open().general->txtQuality->clear();
    form().window()->general->comFiletype->setCurrentText(QStringLiteral("PNG"));
    form().cmdSave_Click();
    EXPECT_EQ(std::pair(form().isLoaded(), tc.get("Options", "Quality")),
              std::pair(false, QStringLiteral("150")));
}

TEST_F(Options, NumberBoxesTakeDigitsOnlyAndQualityAtMost100) {
    // Typed into both boxes, and what each then shows.
    const char* const rows[][3] = {
        {"105", "10", "105"}, {"1a2", "12", "12"}, {"4\b7", "7", "7"}, {"1001", "100", "1001"}};
    GeneralPage& page = *open().general;
    for (const auto& [typed, quality, delay] : rows) {
        SCOPED_TRACE(typed);
        for (NumberBox* box : {page.txtQuality, page.txtTimeDelay}) {
            box->clear();
            QTest::keyClicks(box, QLatin1String(typed));
        }
        EXPECT_EQ(page.txtQuality->text(), QLatin1String(quality));
        EXPECT_EQ(page.txtTimeDelay->text(), QLatin1String(delay));
    }
    // A pasted number above 100 goes back to the stored quality when the box is left.
    page.txtQuality->setText(QStringLiteral("555"));
    emit page.txtQuality->editingFinished();
    EXPECT_EQ(page.txtQuality->text(), QStringLiteral("85"));
    EXPECT_EQ(tc.dialogs->prompts(), QStringList{"Quality Must be Between 0 and 100"});
}

TEST_F(Options, GroupsFollowTheirBoxesAndSwatchesKeepTheirColours) {
    tc.set("Options", "Overlay", QStringLiteral("1"));
    OptionsWindow& w = open();
    auto* textSwatch = named<ColourSwatch>("shpTextColour");
    const QColor fore = textSwatch->shownColour();
    EXPECT_NE(fore, ColourSwatch::kGrey);
    EXPECT_FALSE(w.general->txtQuality->isVisible());

    // Greyed, a preview shows none of its colours: grey on the swatches' grey.
    const auto greyed = [](QWidget* preview) {
        const QImage shown = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(shown.constBits());
        return shown.pixel(0, 0) == ColourSwatch::kGrey.rgb() &&
               std::count(pixels, pixels + shown.width() * shown.height(), qRgb(255, 0, 0)) == 0;
    };
    w.overlay->chkOverlay->click();  // both overlay boxes off
    EXPECT_FALSE(named("cmdTextColour")->isEnabled() || w.overlay->txtText->isEnabled() ||
                 w.overlay->opt[4]->isEnabled());
    EXPECT_EQ(textSwatch->shownColour(), ColourSwatch::kGrey);
    EXPECT_TRUE(greyed(w.overlay->lblPreview));
    w.overlay->chkSaveOverlay->click();
    EXPECT_TRUE(named("cmdTextColour")->isEnabled());
    EXPECT_EQ(textSwatch->shownColour(), fore);

    w.countdown->chkCounter->click();
    EXPECT_FALSE(named("cmdShadowC")->isEnabled() || named("chkBoldC")->isEnabled());
    EXPECT_EQ(named<ColourSwatch>("shpBackColorC")->shownColour(), ColourSwatch::kGrey);
    EXPECT_TRUE(greyed(w.countdown->picBackground));
    w.general->comFiletype->setCurrentText(QStringLiteral("JPG"));
    EXPECT_TRUE(w.general->txtQuality->isVisible());

    w.overlay->txtText->setText(QStringLiteral("(!S)!"));
    EXPECT_EQ(w.overlay->lblPreview->text(), QStringLiteral("Sent!"));
    w.overlay->txtText->clear();
    EXPECT_EQ(w.overlay->lblPreview->text(), QStringLiteral("Pictavo 3"));

    for (const int page : {2, 3, 4}) {  // lays each page out
        w.Tab1->setActiveTab(page);
    }
    // Every page's content lies within the same margins; a swatch keeps its size.
    EXPECT_EQ(QSet({w.general->chkPreview->x(), w.overlay->chkOverlay->x(),
                    w.countdown->chkCounter->x(), w.webcam->chkWebcam->x()})
                  .size(),
              1);
    EXPECT_EQ(named("shpShadowC")->size(), named("shpShadowC")->sizeHint());
    for (int tab : {1, 5, 4}) {
        form().showTab(tab);
    }
    EXPECT_EQ(w.shownPage(), 4);  // showTab reaches pages 0 to 4 only
    w.Tab1->setActiveTab(1);
    EXPECT_TRUE(w.Frame1[1]->isVisible() && !w.Frame1[0]->isVisible());
}

// Large fonts are reduced within the previews' fixed areas and long texts cut: the window keeps
// one size, within its screen.
TEST_F(Options, TheWindowKeepsItsSizeWhateverItShows) {
    QTemporaryDir folder;
    const QByteArray x(320, 'x');
    writeFile(folder.filePath(QStringLiteral("l.xml")),
              "<Pictavo lanuage=\"" + x + R"(" author="A" website="https://)" + x +
                  R"(" email="a@b.example" version="1">)");
    form().ScreenshotsFolder = folder.path();
    const QSize size = open().size();
    const std::tuple<const char*, const char*, QString> rows[] = {
        // clang-format off
        {"Overlay", "FontSize", "72"}, {"Overlay", "FontSize", "1000"}, {"Countdown", "FontSize", "1000"},
        {"Overlay", "Font", QString(300, u'F')}, {"Overlay", "Text", QString(320, u'T')}};
    // clang-format on
    for (const auto& [sub, name, value] : rows) {
        SCOPED_TRACE(value.left(9).toStdString());
        form().Unload();
        tc.set(sub, name, value);
        OptionsWindow& w = open();
        LanguagePage& language = *w.language;
        emit language.comLangs->activated(0);
        w.Tab1->setActiveTab(5);
        EXPECT_EQ(w.size(), size);
        EXPECT_TRUE(
            w.overlay->picOverlayPreview->rect().contains(w.overlay->lblPreview->geometry()) &&
            w.countdown->picBackground->rect().contains(w.countdown->lblPreview2C->geometry()));
        EXPECT_LT(language.lblLangWebsite->geometry().right(), language.width());
        EXPECT_LT(language.comLangs->itemText(0).size(), 60);
    }
    // A system font too large for the screen: the window is cut to it.
    const QFont normal = QApplication::font();
    QApplication::setFont(QFont(normal.family(), 40));
    form().Unload();
    const QSize big = open().size();
    QApplication::setFont(normal);
    const QSize screen = QApplication::primaryScreen()->availableSize();
    EXPECT_EQ(screen.expandedTo(big), screen);
}

// The refusals themselves, and their log lines, are LanguageFiles.OpenTarget…'s.
TEST_F(Options, LanguagePageListsFilesAndOpensOnlySafeLinks) {
    QTemporaryDir folder;
    writeFile(folder.filePath(QStringLiteral("b.xml")),
              R"(<Pictavo lanuage="Deutsch" author="B" email="b@x.example" version="2">)");
    writeFile(
        folder.filePath(QStringLiteral("a.XML")),
        R"(<Pictavo lanuage="Deutsch" author="A" website="file:///etc/passwd" email="a b" version="1">)");
    // Only files named ".xml" in any case are listed, in name order whatever the case.
    for (const char* name : {"C.Xml", "notes.txt", "xml", "d.xml.bak"}) {
        writeFile(folder.filePath(QLatin1String(name)), "x");
    }
    for (const char* sub : {"empty", "folder.xml"}) {
        ASSERT_TRUE(QDir(folder.path()).mkdir(QLatin1String(sub)));
    }
    form().ScreenshotsFolder = folder.path();
    OptionsWindow& window = open();
    window.Tab1->setActiveTab(5);
    LanguagePage& w = *window.language;
    ASSERT_EQ(w.comLangs->count(), 3);
    EXPECT_EQ(w.comLangs->itemText(0), w.comLangs->itemText(1));
    const QStringList listed = test::logLines();
    EXPECT_EQ(listed.mid(listed.indexOf(QStringLiteral("listLangs: 3 language files")), 4),
              (QStringList{"listLangs: 3 language files", "listLangs: language 1 - a.XML",
                           "listLangs: language 2 - b.xml", "listLangs: language 3 - C.Xml"}));

    w.comLangs->setCurrentIndex(1);
    emit w.comLangs->activated(1);
    // Without "website=" the author has no closing marker either.
    EXPECT_EQ(w.lblLangBy->text(), QStringLiteral("Deutsch translation by "));
    EXPECT_EQ(w.lblLangWebsite->text(), QStringLiteral("No Website"));
    EXPECT_FALSE(w.lblLangWebsite->isEnabled());
    EXPECT_EQ(w.lblLangVer->text(), QStringLiteral("version 2"));

    emit w.comLangs->activated(0);
    EXPECT_TRUE(w.lblLangWebsite->isEnabled());
    // A link turns red and underlined under the pointer, and blue again when it leaves.
    const auto look = [&w] {
        return std::pair{w.lblLangWebsite->palette().color(QPalette::WindowText),
                         w.lblLangWebsite->font().underline()};
    };
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w.lblLangWebsite, &enter);
    EXPECT_EQ(look(), std::pair(LinkLabel::kHover, true));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w.lblLangWebsite, &leave);
    EXPECT_EQ(look(), std::pair(LinkLabel::kIdle, false));
    emit w.lblLangWebsite->clicked();
    emit w.lblLangEmail->clicked();
    EXPECT_TRUE(tc.shell->urls.isEmpty());

    // No path at all is no folder either, not the current one.
    for (const auto& [path, line] : {std::pair{folder.filePath("none"), "listLangs: No Folder"},
                                     std::pair{QString(), "listLangs: No Folder"},
                                     std::pair{folder.filePath("empty"), "listLangs: No Files"}}) {
        form().ScreenshotsFolder = path;
        form().listLangs();
        EXPECT_FALSE(w.comLangs->isEnabled());
        EXPECT_EQ(w.comLangs->placeholderText(), QStringLiteral("No Language Files"));
        EXPECT_FALSE(w.lblLangBy->isVisible());
        EXPECT_EQ(test::logLines().last(), QLatin1String(line));
    }
}

TEST(LanguageFiles, HeaderValuesEndAtTheNextAttributesExactText) {
    // The values are language, author, website, address and version; then whether the header has
    // a website and an address.
    const std::tuple<const char*, QString, QStringList, bool, bool> rows[] = {
        // clang-format off
        {"well formed", R"(<Pictavo lanuage="Deutsch" author="Anna" website="https://a.example" email="a@b.example" version="1.2">)" "\n<x/>",
         {"Deutsch", "Anna", "https://a.example", "a@b.example", "1.2"}, true, true},
        {"no website: the value starts with the header",
         R"(<Pictavo lanuage="F" author="B" email="e@x" version="2">)",
         {"F", "", R"(<Pictavo lanuage="F" author="B)", "e@x", "2"}, false, true},
        {"two spaces: the closing marker never matches",
         R"(<Pictavo lanuage="F"  author="B" website="w" email="e" version="2">)",
         {"", "B", "w", "e", "2"}, true, true},
        {"reordered: values run into their neighbours",
         R"(<Pictavo lanuage="F" website="w" author="B" email="e" version="2">)",
         {R"(F" website="w)", "", R"(w" author="B)", "e", "2"}, true, true},
        {"a declaration before the header takes the version and hides a missing address",
         R"(<?xml version="1.0"?><Pictavo lanuage="F" author="B" website="w" version="2">)",
         {"F", "B", "", R"(<?xml version="1.0"?><Pictavo lanuage="F" author="B" website="w)",
          R"(1.0"?><Pictavo lanuage="F" author="B" website="w" version="2)"}, true, true},
        // clang-format on
    };
    for (const auto& [name, text, values, website, email] : rows) {
        SCOPED_TRACE(name);
        const LanguageHeader h = parseLanguageHeader(text);
        EXPECT_EQ((QStringList{h.language, h.author, h.website, h.email, h.version}), values);
        EXPECT_EQ(std::pair(h.hasWebsite(), h.hasEmail()), std::pair(website, email));
    }
}

TEST(LanguageFiles, ReadsUtf8OrLatin1AndOnlyTheHeadersFirstKilobytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.xml"));
    const QByteArray utf8 =
        QByteArray(R"(<Pictavo lanuage="Fran)") + "\xc3\xa7" + R"(ais" author=)";
    const QByteArray cutAtTheLimit = utf8.leftJustified(kLanguageReadLimit - 1, ' ') + "\xc3\xa7";
    const std::tuple<const char*, QByteArray, QString> rows[] = {
        {"UTF-8", utf8, QStringLiteral("Français")},
        {"Latin-1", QByteArray(R"(<Pictavo lanuage="Fran)") + "\xe7" + R"(ais" author=)",
         QStringLiteral("Français")},
        {"a character cut by the limit is still UTF-8", cutAtTheLimit, QStringLiteral("Français")},
        {"a header beyond the limit is not read",
         QByteArray(kLanguageReadLimit, ' ') + R"(<Pictavo lanuage="Late" author=)", QString()},
    };
    for (const auto& [name, bytes, language] : rows) {
        SCOPED_TRACE(name);
        writeFile(path, bytes);
        EXPECT_EQ(GetLanguageName(path), language);
    }
    EXPECT_EQ(readLanguageText(dir.filePath(QStringLiteral("missing.xml"))), QString());
    // A name of a megabyte: the first few kilobytes of it are all that is read.
    writeFile(path, R"(<Pictavo lanuage=")" + QByteArray(1000000, 'n') + R"(" author=)");
    EXPECT_LE(GetLanguageName(path).size(), 8192);
}

TEST(LanguageFiles, OpenTargetOpensOnlyWebAndMailAddresses) {
    const std::pair<QString, bool> rows[] = {
        // clang-format off
        {"https://a.example/x?y=1", true}, {"HTTP://a.example", true}, {"mailto:a.b@c.example", true},
        {"file:///etc/passwd", false}, {"/bin/sh", false}, {"javascript:x", false},
        {"mailto:a b@c", false}, {"mailto:a@c?attach=/etc/passwd", false}, {"mailto:a@c,b@d", false},
        {"https://", false}, {"https://a.example/\nx", false}, {"-https://a.example", false},
        // clang-format on
    };
    for (const auto& [target, opened] : rows) {
        SCOPED_TRACE(target.toStdString());
        test::FakeShell shell;
        QStringList log;
        EXPECT_EQ(OpenTarget(shell, target, [&log](const QString& l) { log << l; }), opened);
        EXPECT_EQ(shell.urls, opened ? QStringList{target} : QStringList{});
        EXPECT_EQ(log, opened ? QStringList{} : QStringList{"OpenTarget: refused " + target});
    }
}

TEST(LanguageFiles, TheShippedEnglishFileAndTheLogoAreComplete) {
    const QString english = QStringLiteral(PICTAVO_PLUGIN_DIR "/Screenshots/English.xml");
    const LanguageHeader h = parseLanguageHeader(readLanguageText(english));
    EXPECT_EQ(h.language, QStringLiteral("English"));
    EXPECT_TRUE(h.hasWebsite() && isOpenableTarget(h.website)) << h.website.toStdString();
    EXPECT_TRUE(h.hasEmail() && isOpenableTarget("mailto:" + h.email)) << h.email.toStdString();
    EXPECT_FALSE(h.version.isEmpty() || h.version.contains(QLatin1Char('"')));
    EXPECT_EQ(logoPicture().deviceIndependentSize(), QSizeF(267, 100));
    EXPECT_EQ(logoPicture(2.0).deviceIndependentSize(), QSizeF(267, 100));
    EXPECT_EQ(logoPicture(2.0).size(), QSize(534, 200));
}
