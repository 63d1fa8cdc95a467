#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace pictavo {

// Message box styles and results, numbered as the plug-in's callers have always used them.
namespace MsgBox {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int InformationIcon = 64;
constexpr int ResultOk = 1;
constexpr int ResultYes = 6;
constexpr int ResultNo = 7;
}  // namespace MsgBox

// One message box as asked for: what the user is shown and where.
struct MessageBoxRequest {
    QString prompt;
    int buttons = MsgBox::OkOnly;  // OkOnly or YesNo, plus InformationIcon when an icon is given
    QString title;
    int x = -1;  // screen position of the top-left corner; -1 centres on that axis
    int y = -1;
    QIcon icon;               // shown in place of the standard icon when not null
    QPointer<QWidget> owner;  // centred over it; over the screen when null
};

// The save dialog as asked for. It asks before replacing the name the user typed, and a name in
// a folder that does not exist cannot be confirmed; it adds no extension of its own. It opens
// centred on the monitor that holds the pointer.
struct SaveDialogRequest {
    QString title;
    QString folder;       // the folder it opens in, one that exists
    QString name;         // the name filled in; empty for none
    QStringList filters;  // the file type descriptions, in order, such as "PNG Screenshot (*.PNG)"
    int filterIndex = 1;  // the type preselected, counted from 1
    QPointer<QWidget> owner;
    // Its size in logical pixels, fitted to the work area; empty for a size at which every
    // column of its file list can be read.
    QSize size = {};
};

// The name the user confirmed (empty when cancelled), the type selected, counted from 1, and
// the size the dialog had when it closed (empty when it never showed).
struct SaveDialogAnswer {
    QString path;
    int filterIndex = 0;
    QSize size = {};
};

// The modal dialogs of the plug-in, behind one seam: production shows Qt dialogs, tests
// answer from a script and record what was asked.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns MsgBox::ResultOk, ResultYes or ResultNo.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    // The colour chooser, opened on `initial`: the chosen colour, nothing when cancelled.
    virtual std::optional<QColor> chooseColour(const QString& title, const QColor& initial) = 0;
    // The font chooser, preset with `initial` (face, size, bold, italic, underline and
    // strikethrough): the chosen font, nothing when cancelled.
    virtual std::optional<QFont> chooseFont(const QString& title, const QFont& initial) = 0;
    // The folder browser, opened in `start`: the chosen folder, the empty text when cancelled.
    virtual QString browseForFolder(const QString& title, const QString& start) = 0;
    virtual SaveDialogAnswer saveFileName(const SaveDialogRequest& request) = 0;
};

}  // namespace pictavo
