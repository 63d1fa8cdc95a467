#pragma once

#include "capture/CaptureChooser.h"

namespace pictavo {

// The save chooser, shown for "/xpvsave". A kind button runs the countdown, captures that kind,
// shows the preview for saving and saves what it accepts, with the saved message.
class frmSave : public CaptureChooser {
public:
    frmSave(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
            std::function<QIcon()> icon = {})
        : CaptureChooser(std::move(dialogs), std::move(settings), std::move(icon),
                         QStringLiteral("Save"), QStringLiteral("frmSave")) {}
};

}  // namespace pictavo
