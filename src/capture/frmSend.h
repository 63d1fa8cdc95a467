#pragma once

#include <QtGlobal>

namespace pictavo {

// The send chooser's form object: its public fields outlive the window.
class frmSend {
public:
    // The host's version, as Initialize was given it.
    qint16 HostVersion = 0;
    // The countdown's verdict: true when the capture may go ahead.
    bool Proceed = false;
};

}  // namespace pictavo
