#include "config/LanguageFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>

#include "platform/Shell.h"

namespace pictavo {

namespace {

const QString kHeaderStart = QStringLiteral("<Pictavo");

QString valueBetween(const QString& text, const char* opening, const char* closing) {
    return SplitAtMarkers(text, QLatin1String(opening), QLatin1String(closing)).between;
}

bool hasBlankOrControl(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

bool isWebAddress(const QString& target) {
    const QUrl url(target, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() &&
           target.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

bool isMailAddress(const QString& target) {
    static const QString kMailto = QStringLiteral("mailto:");
    if (!target.startsWith(kMailto, Qt::CaseInsensitive)) {
        return false;
    }
    // One address: a local part and a domain, and nothing that adds recipients, headers or
    // attachments.
    static const QRegularExpression kAddress(
        QStringLiteral(R"(^[^@?#&,;:<>"'\\/]+@[^@?#&,;:<>"'\\/]+$)"));
    return kAddress.match(target.mid(kMailto.size())).hasMatch();
}

}  // namespace

MarkerSplit SplitAtMarkers(const QString& text, const QString& markerA, const QString& markerB) {
    MarkerSplit split;
    QString rest = text;
    if (const qsizetype i = rest.indexOf(markerA); i >= 0) {
        split.before = rest.left(i);
        rest = rest.mid(i + markerA.size());
    }
    if (const qsizetype j = rest.indexOf(markerB); j >= 0) {
        split.between = rest.left(j);
        rest = rest.mid(j + markerB.size());
    }
    split.after = rest;
    return split;
}

bool LanguageHeader::hasWebsite() const {
    return !website.startsWith(kHeaderStart);
}

bool LanguageHeader::hasEmail() const {
    return !email.startsWith(kHeaderStart);
}

LanguageHeader parseLanguageHeader(const QString& text) {
    return LanguageHeader{
        .language = valueBetween(text, "Pictavo lanuage=\"", "\" author="),
        .author = valueBetween(text, "author=\"", "\" website="),
        .website = valueBetween(text, "website=\"", "\" email="),
        .email = valueBetween(text, "email=\"", "\" version="),
        .version = valueBetween(text, "version=\"", "\">"),
    };
}

QString readLanguageText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(kLanguageReadLimit);
    // A character cut in two by the read limit stays pending in the decoder and is no error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
    }
    return text;
}

QString GetLanguageName(const QString& path) {
    return parseLanguageHeader(readLanguageText(path)).language;
}

std::optional<QStringList> languageFileNames(const QString& folder) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        return std::nullopt;
    }
    QStringList names;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files)) {
        if (entry.fileName().endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
            names << entry.fileName();
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

bool isOpenableTarget(const QString& target) {
    return !hasBlankOrControl(target) && (isWebAddress(target) || isMailAddress(target));
}

bool OpenTarget(Shell& shell, const QString& target,
                const std::function<void(const QString&)>& log) {
    if (!isOpenableTarget(target)) {
        log(QStringLiteral("OpenTarget: refused ") + target);
        return false;
    }
    return shell.openUrl(target);
}

QPixmap logoPicture(qreal devicePixelRatio) {
    if (devicePixelRatio <= 1.0) {
        return QPixmap(QStringLiteral(":/pictavo/logo.png"));
    }
    QPixmap sharp(QStringLiteral(":/pictavo/logo@2x.png"));
    sharp.setDevicePixelRatio(2.0);
    return sharp;
}

}  // namespace pictavo
