#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>

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

// The modal dialogs of the plug-in, behind one seam: production shows Qt dialogs, tests
// answer from a script and record what was asked.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns MsgBox::ResultOk, ResultYes or ResultNo.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
};

}  // namespace pictavo
