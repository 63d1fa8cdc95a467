#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

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
        form().window()->show();
        return *form().window();
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
    EXPECT_TRUE(w.overlay->opt[8]->isChecked());  // position 12 shows as 9
    // "2" is bold on the overlay.
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
        expected.replaceInStrings(
            QRegularExpression("^" + QRegularExpression::escape(c.section('=', 0, 0)) + "=.*"), c);
    }
    EXPECT_EQ(snapshot(), expected);
    EXPECT_EQ(tc.pv->settings().record().Preview, QStringLiteral("0"));
    EXPECT_EQ(tc.video->probes, 1);
    const QStringList log = test::logLines();
    EXPECT_TRUE(log.contains(QStringLiteral("Webcam: Cam 1")));
    EXPECT_EQ(log.last(), QStringLiteral("----------Options Unload----------"));
}

TEST_F(Options, NumberBoxesTakeDigitsOnlyAndSaveRefusesBoxesThatWouldBreakCaptures) {
    // Typed into both boxes, and what each then shows.
    const char* const typedRows[][3] = {
        {"105", "10", "105"}, {"1a2", "12", "12"}, {"4\b7", "7", "7"}, {"1001", "100", "1001"}};
    GeneralPage& page = *open().general;
    for (const auto& [typed, quality, delay] : typedRows) {
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

TEST_F(Options, GroupsFollowTheirBoxesAndSwatchesKeepTheirColours) {
    tc.set("Options", "Overlay", QStringLiteral("1"));
    OptionsWindow& w = open();
    auto* textSwatch = named<ColourSwatch>("shpTextColour");
    const QColor fore = textSwatch->shownColour();
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

    for (int tab : {2, 3, 5, 4}) {  // lays each page out; showTab reaches pages 0 to 4 only
        form().showTab(tab);
    }
    EXPECT_EQ(w.shownPage(), 4);
    // Every page's content lies within the same margins; a swatch keeps its size.
    EXPECT_EQ(QSet({w.general->chkPreview->x(), w.overlay->chkOverlay->x(),
                    w.countdown->chkCounter->x(), w.webcam->chkWebcam->x()})
                  .size(),
              1);
    EXPECT_EQ(named("shpShadowC")->size(), named("shpShadowC")->sizeHint());
    auto* bar = w.Tab1->findChild<QTabBar*>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_TRUE(w.Frame1[1]->isVisible() && !w.Frame1[4]->isVisible());
    // Ctrl+Tab and Ctrl+Shift+Tab step through the pages from the keyboard, round the end.
    QTest::keyClick(w.general->chkPreview, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.shownPage(), 2);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(w.overlay->chkOverlay, Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(w.shownPage(), 5);
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
        {"Overlay", "FontSize", "1000"}, {"Countdown", "FontSize", "1000"},
        {"Overlay", "Font", QString(300, u'F')}, {"Overlay", "Text", QString(320, u'T')}};
    // clang-format on
    for (const auto& [sub, name, value] : rows) {
        SCOPED_TRACE(value.left(9).toStdString());
        form().Unload();
        tc.set(sub, name, value);
        OptionsWindow& w = open();
        emit w.language->comLangs->activated(0);
        w.Tab1->setActiveTab(5);
        EXPECT_EQ(w.size(), size);
        EXPECT_TRUE(
            w.overlay->picOverlayPreview->rect().contains(w.overlay->lblPreview->geometry()) &&
            w.countdown->picBackground->rect().contains(w.countdown->lblPreview2C->geometry()));
        EXPECT_LT(w.language->lblLangWebsite->geometry().right(), w.language->width());
        EXPECT_LT(w.language->comLangs->itemText(0).size(), 60);
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
    // The same name in Latin-1, in UTF-8, and in UTF-8 with a character cut by the read limit.
    writeFile(folder.filePath(QStringLiteral("b.xml")),
              "<Pictavo lanuage=\"Fran\xe7"
              "ais\" author=\"B\" email=\"b@x.example\" version=\"2\">");
    const QByteArray utf8 =
        "<Pictavo lanuage=\"Fran\xc3\xa7"
        "ais\" author=\"A\" website=\"file:///etc/passwd\" email=\"a b\" "
        "version=\"1\">";
    writeFile(folder.filePath(QStringLiteral("a.XML")), utf8);
    writeFile(folder.filePath(QStringLiteral("C.Xml")),
              utf8.leftJustified(kLanguageReadLimit - 1, ' ') + "\xc3\xa7");
    // Only files named ".xml" in any case are listed, in name order whatever the case.
    for (const char* name : {"notes.txt", "xml", "d.xml.bak"}) {
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
    EXPECT_EQ(
        QStringList({w.comLangs->itemText(0), w.comLangs->itemText(1), w.comLangs->itemText(2)}),
        QStringList(3, QStringLiteral("Français")));
    const QStringList listed = test::logLines();
    EXPECT_EQ(listed.mid(listed.indexOf(QStringLiteral("listLangs: 3 language files")), 4),
              (QStringList{"listLangs: 3 language files", "listLangs: language 1 - a.XML",
                           "listLangs: language 2 - b.xml", "listLangs: language 3 - C.Xml"}));

    emit w.comLangs->activated(1);
    // Without "website=" the author has no closing marker either.
    EXPECT_EQ(w.lblLangBy->text(), QStringLiteral("Français translation by "));
    EXPECT_EQ(w.lblLangWebsite->text(), QStringLiteral("No Website"));
    EXPECT_FALSE(w.lblLangWebsite->isEnabled());
    EXPECT_EQ(w.lblLangVer->text(), QStringLiteral("version 2"));

    emit w.comLangs->activated(0);
    EXPECT_EQ(w.lblLangBy->text(), QStringLiteral("Français translation by A"));
    EXPECT_TRUE(w.lblLangWebsite->isEnabled());
    emit w.lblLangWebsite->clicked();
    emit w.lblLangEmail->clicked();
    EXPECT_TRUE(tc.shell->urls.isEmpty());

    // The shipped English file names a website and an address that open.
    form().ScreenshotsFolder = QStringLiteral(PICTAVO_PLUGIN_DIR "/Screenshots");
    form().listLangs();
    emit w.comLangs->activated(0);
    emit w.lblLangWebsite->clicked();
    emit w.lblLangEmail->clicked();
    EXPECT_TRUE(w.lblLangBy->text().startsWith(QStringLiteral("English translation by ")));
    EXPECT_EQ(tc.shell->urls.size(), 2);

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

// A header beyond the first kilobytes is not read. (How values end, in UTF-8 or Latin-1, with a
// character cut by the limit, is the language page's.)
TEST(LanguageFiles, AHeaderBeyondTheFirstKilobytesIsNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.xml"));
    writeFile(path, QByteArray(kLanguageReadLimit, ' ') + R"(<Pictavo lanuage="Late" author=)");
    EXPECT_EQ(GetLanguageName(path), QString());
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

TEST(LanguageFiles, TheLogoIsSharpAtScaleTwo) {
    EXPECT_EQ(logoPicture(2.0).deviceIndependentSize(), QSizeF(267, 100));
    EXPECT_EQ(logoPicture(2.0).size(), QSize(534, 200));
}
