#pragma once

#include <QtGlobal>

#include "capture/CaptureChooser.h"

namespace pictavo {

// The send chooser, shown for "/xpvsend". A kind button runs the countdown and, when it may go
// ahead, captures that kind and sends it; the outcome is left in "sResult".
class frmSend : public CaptureChooser {
public:
    frmSend(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
            std::function<QIcon()> icon = {})
        : CaptureChooser(std::move(dialogs), std::move(settings), std::move(icon),
                         QStringLiteral("Send"), QString()) {}

    // The host's version, as Initialize was given it.
    qint16 HostVersion = 0;
    // The countdown's verdict: true when the capture may go ahead.
    bool Proceed = false;
};

}  // namespace pictavo
