#pragma once

#include <QIcon>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

namespace pictavo {

class Dialogs;
class ImageEncoder;
class Settings;

// The save dialog's file types, numbered 1 to 5 in the order of its list ("SaveFileType"):
// BMP, GIF, JPG, PNG, TIF.
inline constexpr int kSaveFileTypes = 5;

// The dialog's type list: description then pattern for each type, each text ended by a NUL
// character and the list by a second one.
QString saveDialogFilter();

// The first three characters of the description of the index-th description/pattern pair of
// `filter`, counted from 1; the empty text when there is no such pair.
QString TypeFromFilter(const QString& filter, int index);

// The number of a type text ("bmp" to "tif", as the settings hold it); 0 for any other text.
int saveFileTypeNumber(const QString& type);

// The name the dialog returned, completed: a name that ends in "." and one of the five type
// texts (in any case) stays as it is and gives the type; any other name gets the extension of
// the type selected in the dialog (`filterIndex`, from 1). `type` receives the type text.
QString completeSavePath(const QString& path, int filterIndex, QString& type);

// The folder the save dialog opens in for the folder `saved` ("SaveDir"): a relative one is
// taken from `home`, and one that does not exist (or is no folder) gives way to its nearest
// parent that does; `home` when none does.
QString saveDialogFolder(const QString& saved, const QString& home);

// What a save came to. The name chosen is empty when the user cancelled the dialog; a name with
// no file written names a failed save, and `failure` then holds the encoder's message (empty
// when the type was not one the encoders know).
struct SaveOutcome {
    QString path;
    bool written = false;
    QString failure;
};

// The save to a file that the save commands and the save chooser share.
class SaveToFile {
public:
    struct Collaborators {
        Settings& settings;
        Dialogs& dialogs;
        std::function<ImageEncoder&()> encoder;
        // The window the dialog belongs to: the preview window, loaded if need be.
        std::function<QWidget*()> owner;
        std::function<QIcon()> icon;
    };

    explicit SaveToFile(Collaborators collaborators) : c_(std::move(collaborators)) {}

    // Shows the save dialog titled "Pictavo 3" in `folder` (as saveDialogFolder finds it), with
    // type `typeNumber` preselected, at the size the user last gave it ("SaveDialogWidth" and
    // "SaveDialogHeight" under "Options", twips). Returns the completed path, with `type` set
    // to its type text, or the empty text (and `type` unchanged) when the user cancelled. A
    // user who will not replace a file that the completed name turns out to name is back in
    // the dialog, with the name as typed.
    QString ShowSaveDialog(const QString& folder, int typeNumber, QString& type);

    // Reloads the settings, asks for a name (starting in "SaveDir" with "SaveFileType"
    // preselected; the in-memory "FileType" becomes the chosen type), stores the chosen type
    // as "SaveFileType" and encodes the picture there.
    SaveOutcome Save();

private:
    // The dialog's size as the user last left it, logical pixels; empty when none is stored.
    QSize storedDialogSize();
    void storeDialogSize(const QSize& size);

    Collaborators c_;
};

}  // namespace pictavo
