#pragma once

#include <QString>

namespace pictavo {

// The preview window's form object. It lives as long as the component and holds the window's
// public fields; the widget tree exists only while the window is loaded.
class frmMain {
public:
    // The signed-in account; every per-user registry path is built from it.
    QString UserEmail;
};

}  // namespace pictavo
