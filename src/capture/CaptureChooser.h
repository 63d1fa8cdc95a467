#pragma once

#include <QIcon>
#include <QString>
#include <functional>

#include "dialogs/FormObject.h"

class QLabel;

namespace pictavo {

class Settings;
class VexelButton;

// The three kinds of capture a chooser offers.
enum class CaptureKind { ActiveWindow, FullScreen, Region };

// A capture chooser: a small borderless window with a heading and four buttons, "&Active
// Window", "&Full Screen", " &Selected Area" and "Ca&ncel". It opens centred on the screen under
// the pointer with the keyboard focus, so the access keys and Escape work at once.
//
// Its outcome goes through "sResult": "#" from the moment it loads. A kind button hides the
// window, lets it leave the screen, runs the chooser's capture path and unloads; Cancel and
// Escape write "#" again and unload; the close button unloads and leaves "sResult" as it is.
class CaptureChooser : public FormObject {
public:
    // The capture path a kind button runs, while the chooser is hidden.
    using Action = std::function<void(CaptureKind)>;

    void cmdActive_Click() { kindClicked(CaptureKind::ActiveWindow); }
    void cmdFull_Click() { kindClicked(CaptureKind::FullScreen); }
    void cmdSelected_Click() { kindClicked(CaptureKind::Region); }
    void cmdCancel_Click();
    void cmdX_Click() { Unload(); }

    // The controls; touching one loads the window.
    QWidget* window() { return widget(); }
    VexelButton* button(const char* name);
    QLabel* Label1();

    // Set once by the owner, before the first Show.
    void setAction(Action action) { action_ = std::move(action); }

protected:
    // `heading` is "Send" or "Save"; a non-empty `logName` ("frmSave") frames the load with log
    // lines.
    CaptureChooser(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
                   std::function<QIcon()> icon, QString heading, QString logName);

    std::unique_ptr<QWidget> Form_Load() override;
    void Form_QueryUnload() override { cmdX_Click(); }
    // A capture path that failed leaves nothing to choose from.
    void Form_Error() override { Unload(); }

    Settings& settings() { return settings_(); }

private:
    void kindClicked(CaptureKind kind);
    void writeNothingChosen();

    std::function<Settings&()> settings_;
    std::function<QIcon()> icon_;
    QString heading_;
    QString logName_;
    Action action_;
};

}  // namespace pictavo
