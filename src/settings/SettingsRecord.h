#pragma once

#include <QString>
#include <QtGlobal>

namespace pictavo {

// The in-memory copy of the commonly used settings, refilled by every ReadRegistry. Flags stay
// text; their users read them with flagIsOn().
struct SettingsRecord {
    QString Counter;
    QString Clipboard;
    QString Delete;
    QString FileType;
    qint16 FileTypeLen = 0;
    QString FileName;
    qint16 FileNameLen = 0;
    QString FullFileName;
    QString Log;
    QString MenuIcons;
    QString MenuIconsMain;
    QString Preview;
    QString PreviewSave;
    QString Overlay;
    QString Saved;
    QString Sent;
    QString SaveDir;
    qint16 SaveDirLen = 0;
    QString SaveMsgBox;
    QString SaveOverlay;
    qint16 Quality = 0;
    QString TimeDelay;
    qint16 SaveFileType = 0;
    QString WarnDelay;
    qint16 WarnDelayAmount = 0;
    QString Webcam;
};

}  // namespace pictavo
