#pragma once

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace pictavo {

class Shell;

// Translators' language files: "*.xml" files in the plug-in's "Screenshots" folder whose only
// part we read is the header tag at their start:
//   <Pictavo lanuage="..." author="..." website="..." email="..." version="...">
// ("lanuage" is spelled so in every file ever published). Each value is cut out of the whole
// text between its own opening marker and the exact start of the next attribute, so a header
// with its attributes in another order or with two spaces between them gives empty or odd
// values; files in the wild depend on nothing better, and we keep it so.

// The text around two markers, searched case-sensitively: `before` is what precedes marker A,
// `between` what lies between A and B, `after` what follows B. Without A the search for B starts
// at the beginning (and `before` is empty); without B `between` is empty and `after` is all that
// follows A.
struct MarkerSplit {
    QString before;
    QString between;
    QString after;
};
MarkerSplit SplitAtMarkers(const QString& text, const QString& markerA, const QString& markerB);

struct LanguageHeader {
    QString language;
    QString author;
    QString website;
    QString email;
    QString version;

    // A value whose opening marker is missing runs from the start of the header tag; for the
    // web site and the address that means there is none to offer.
    bool hasWebsite() const;
    bool hasEmail() const;
};
LanguageHeader parseLanguageHeader(const QString& text);

// A language file's text: its first 8 KiB, which hold the header (a huge file, or a header
// with a huge value, must not stall the options window), as UTF-8, or as Latin-1 when it is
// not valid UTF-8. Empty when the file cannot be read.
QString readLanguageText(const QString& path);
inline constexpr qint64 kLanguageReadLimit = qint64{8} * 1024;

// The language value of a file's header.
QString GetLanguageName(const QString& path);

// The names of the regular files in `folder` whose names end in ".xml" in any letter case, in
// name order; nullopt when there is no such folder.
std::optional<QStringList> languageFileNames(const QString& folder);

// Whether a language file's link may be opened: an "http://" or "https://" address with a
// host, or "mailto:" and one plain address. Nothing with blanks or control characters, no
// local paths, other schemes or command lines, and no "?" query on a mailto: (mail programs
// honour "attach=" there).
bool isOpenableTarget(const QString& target);

// Hands `target` to the desktop's default handler when it is openable; otherwise logs
// "OpenTarget: refused " + target through `log` and opens nothing. True when the shell took it.
bool OpenTarget(Shell& shell, const QString& target,
                const std::function<void(const QString&)>& log);

// The options window's logo, straight from the component's resources, drawn for a screen of
// `devicePixelRatio` (a sharp copy above 1). Its size in logical pixels is 267 x 100.
QPixmap logoPicture(qreal devicePixelRatio = 1.0);

}  // namespace pictavo
