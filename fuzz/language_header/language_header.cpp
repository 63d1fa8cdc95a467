// A translator's language file as any bytes: its text is read from the file, the header values
// are cut out of it, and a link is offered only when it is a web or mail address.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "config/LanguageFiles.h"

using namespace pictavo;

namespace {

void checkSplit(const QString& text, const QString& a, const QString& b) {
    const MarkerSplit s = SplitAtMarkers(text, a, b);
    const bool hasA = text.contains(a);
    // Nothing is lost or added: the parts and the markers found make up the text.
    const QString withA = hasA ? s.before + a : QString();
    const QString rest = text.mid(withA.size());
    const bool hasB = rest.contains(b);
    CHECK(withA + s.between + (hasB ? b : QString()) + s.after == text);
    CHECK(hasB || s.between.isEmpty());
}

void checkLink(const QString& target) {
    if (!isOpenableTarget(target)) {
        return;
    }
    for (const QChar c : target) {
        CHECK(!c.isSpace() && c.category() != QChar::Other_Control);
    }
    CHECK(target.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
          target.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
          (target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive) &&
           !target.contains(QLatin1Char('?')) && target.count(QLatin1Char('@')) == 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz_language_header.%1.xml").arg(getpid());
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        CHECK(file.write(bytes) == bytes.size());
    }
    const QString text = readLanguageText(path);
    // Valid UTF-8 reads as UTF-8 (a character cut off at the end left out), anything else as
    // Latin-1: one character per byte.
    CHECK(QString::fromUtf8(bytes).startsWith(text) || text == QString::fromLatin1(bytes));
    const LanguageHeader header = parseLanguageHeader(text);
    CHECK(GetLanguageName(path) == header.language);
    checkSplit(text, QStringLiteral("author=\""), QStringLiteral("\" website="));
    checkSplit(text, text.left(2), text.right(1));
    checkLink(header.website);
    checkLink(header.email);
    checkLink(text);
    return 0;
}
