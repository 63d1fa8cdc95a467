#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "config/LanguageFiles.h"
#include "support/Fakes.h"

using namespace pictavo;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString kHeader = QStringLiteral(
    R"(<Pictavo lanuage="Deutsch" author="Anna" website="https://a.example" email="a@b.example" version="1.2">)");

}  // namespace

TEST(LanguageFiles, HeaderValuesEndAtTheNextAttributesExactText) {
    struct Row {
        const char* name;
        QString text;
        QStringList expected;  // language, author, website, address, version
        bool website, email;
    };
    // clang-format off
    const Row rows[] = {
        {"well formed", kHeader + "\n<x/>",
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
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const LanguageHeader h = parseLanguageHeader(r.text);
        EXPECT_EQ((QStringList{h.language, h.author, h.website, h.email, h.version}), r.expected);
        EXPECT_EQ(std::pair(h.hasWebsite(), h.hasEmail()), std::pair(r.website, r.email));
    }
}

TEST(LanguageFiles, ReadsUtf8OrLatin1AndOnlyTheFirstMebibyte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.xml"));
    struct Row {
        const char* name;
        QByteArray bytes;
        QString language;
    };
    const QByteArray utf8 =
        QByteArray(R"(<Pictavo lanuage="Fran)") + "\xc3\xa7" + R"(ais" author=)";
    const QByteArray cutAtTheLimit = utf8.leftJustified(kLanguageReadLimit - 1, ' ') + "\xc3\xa7";
    const Row rows[] = {
        {"UTF-8", utf8, QStringLiteral("Français")},
        {"Latin-1", QByteArray(R"(<Pictavo lanuage="Fran)") + "\xe7" + R"(ais" author=)",
         QStringLiteral("Français")},
        {"a character cut by the limit is still UTF-8", cutAtTheLimit, QStringLiteral("Français")},
        {"a header beyond the first MiB is not read",
         QByteArray(kLanguageReadLimit, ' ') + R"(<Pictavo lanuage="Late" author=)", QString()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        writeFile(path, r.bytes);
        EXPECT_EQ(GetLanguageName(path), r.language);
    }
    EXPECT_EQ(readLanguageText(dir.filePath(QStringLiteral("missing.xml"))), QString());
}

TEST(LanguageFiles, ListsXmlFilesInAnyCaseInNameOrder) {
    QTemporaryDir dir;
    for (const char* name : {"b.XML", "a.xml", "C.Xml", "notes.txt", "xml", "d.xml.bak"}) {
        writeFile(dir.filePath(QLatin1String(name)), "x");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.xml")));
    EXPECT_EQ(
        languageFileNames(dir.path()),
        (QStringList{QStringLiteral("a.xml"), QStringLiteral("b.XML"), QStringLiteral("C.Xml")}));
    EXPECT_EQ(languageFileNames(dir.filePath(QStringLiteral("none"))), std::nullopt);
    EXPECT_EQ(languageFileNames(QString()), std::nullopt);
}

TEST(LanguageFiles, OpenTargetOpensOnlyWebAndMailAddresses) {
    struct Row {
        QString target;
        bool opened;
    };
    // clang-format off
    const Row rows[] = {
        {"https://a.example/x?y=1", true}, {"HTTP://a.example", true}, {"mailto:a.b@c.example", true},
        {"file:///etc/passwd", false}, {"/bin/sh", false}, {"javascript:x", false},
        {"mailto:a b@c", false}, {"mailto:a@c?attach=/etc/passwd", false}, {"mailto:a@c,b@d", false},
        {"https://", false}, {"https://a.example/\nx", false}, {"-https://a.example", false},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target.toStdString());
        test::FakeShell shell;
        QStringList log;
        EXPECT_EQ(OpenTarget(shell, r.target, [&log](const QString& l) { log << l; }), r.opened);
        EXPECT_EQ(shell.urls, r.opened ? QStringList{r.target} : QStringList{});
        EXPECT_EQ(log, r.opened ? QStringList{} : QStringList{"OpenTarget: refused " + r.target});
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
