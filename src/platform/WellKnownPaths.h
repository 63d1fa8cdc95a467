#pragma once

#include <QString>

namespace pictavo {

// The folders this platform gives the plug-in, read from the environment at the moment of
// the call (tests point HOME, XDG_* and TMPDIR at their own folders).
namespace WellKnownPaths {

// The folder for this user's temporary files of `app`, ending with "/": $TMPDIR/<app>/ when
// TMPDIR is set; else $XDG_RUNTIME_DIR/<app>/ when that is set and a private folder of the
// user; else /tmp/<app>-<uid>/, so that users never share one.
QString privateTempFolder(const QString& app);
// The same rule on given facts, for tests: `runtimeDir` empty when XDG_RUNTIME_DIR is unset.
QString privateTempFolderFor(const QString& app, const QString& tmpDir, const QString& runtimeDir,
                             bool runtimeDirPrivate, uint uid);
// ${XDG_STATE_HOME:-$HOME/.local/state}
QString stateHome();
// ${XDG_CONFIG_HOME:-$HOME/.config}
QString configHome();
// Where captures are saved unless the user says otherwise: the XDG desktop folder when it
// exists, else the XDG pictures folder when that exists, else the home folder.
QString defaultSaveFolder();

}  // namespace WellKnownPaths

}  // namespace pictavo
