#pragma once

#include <QIcon>
#include <QString>

namespace pictavo {

// The options window's form object: its public fields outlive the window.
class frmOptions {
public:
    // The plug-in folder followed by "Screenshots": where the language files are listed from.
    QString ScreenshotsFolder;

    // The window's icon, which every message of the plug-in shows.
    const QIcon& icon();

private:
    QIcon icon_;
};

}  // namespace pictavo
