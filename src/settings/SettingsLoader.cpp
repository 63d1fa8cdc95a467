#include "settings/SettingsLoader.h"

#include "settings/DiagnosticLog.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecord.h"
#include "settings/SettingsSchema.h"
#include "settings/UserKey.h"
#include "settings/modRegistry.h"

namespace pictavo {

namespace {
const QString kOptions = QStringLiteral("Options");
}  // namespace

QString SettingsLoader::text(const QString& subKey, const char* name) {
    return registry_.GetStringValue(userKey_.path(subKey), QLatin1String(name));
}

qint16 SettingsLoader::integer(const QString& subKey, const char* name, qint16 lowest,
                               qint16 highest) {
    const auto v = int16FromText(text(subKey, name));
    if (v && *v >= lowest && *v <= highest) {
        return *v;
    }
    log_.WriteLog(QStringLiteral("ReadRegistry: ") + QLatin1String(name) +
                  (v ? QStringLiteral(" is out of range") : QStringLiteral(" is not a number")));
    const QString fallback =
        SettingsSchema::defaultValue(subKey, QLatin1String(name), desktopFolder_);
    return int16FromText(fallback).value_or(0);
}

qint16 SettingsLoader::length(const QString& subKey, const char* name) {
    if (const auto v = int16FromText(text(subKey, name))) {
        return *v;
    }
    log_.WriteLog(QStringLiteral("ReadRegistry: ") + QLatin1String(name) +
                  QStringLiteral(" is not a number"));
    return -1;
}

QString SettingsLoader::cut(const QString& text, qint16 length) {
    return length < 0 ? text : text.left(length);
}

void SettingsLoader::load(SettingsRecord& r) {
    r.Counter = text(kOptions, "Counter");
    r.Clipboard = text(kOptions, "Clipboard");
    r.Delete = text(kOptions, "Delete");
    r.FileType = text(kOptions, "FileType");
    r.FileTypeLen = length(kOptions, "FileTypeLen");
    r.FileType = cut(r.FileType, r.FileTypeLen);
    r.FileName = text(kOptions, "FileName");
    r.FileNameLen = length(kOptions, "FileNameLen");
    r.FileName = cut(r.FileName, r.FileNameLen);
    r.FullFileName = text(kOptions, "FullFileName");
    r.Log = text(UserKey::kItself, "Log");
    r.MenuIcons = text(kOptions, "MenuIcons");
    r.MenuIconsMain = text(kOptions, "MenuIconsMain");
    r.Preview = text(kOptions, "Preview");
    r.PreviewSave = text(kOptions, "PreviewSave");
    r.Overlay = text(kOptions, "Overlay");
    r.Saved = text(UserKey::kItself, "Saved");
    r.Sent = text(UserKey::kItself, "Sent");
    r.SaveDir = text(kOptions, "SaveDir");
    r.SaveDirLen = length(kOptions, "SaveDirLen");
    r.SaveDir = cut(r.SaveDir, r.SaveDirLen);
    r.SaveMsgBox = text(kOptions, "SaveMsgBox");
    r.SaveOverlay = text(kOptions, "SaveOverlay");
    // The JPEG encoder takes the quality as its flags word: only 0 (the library's default) to
    // 100 mean a quality.
    r.Quality = integer(kOptions, "Quality", 0, 100);
    r.TimeDelay = text(kOptions, "TimeDelay");
    r.SaveFileType = integer(kOptions, "SaveFileType");
    r.WarnDelay = text(kOptions, "WarnDelay");
    r.WarnDelayAmount = integer(kOptions, "WarnDelayAmount");
    r.Webcam = text(kOptions, "Webcam");
}

}  // namespace pictavo
