#pragma once

#include <QString>

namespace pictavo {

// The folders this platform gives the plug-in, read from the environment at the moment of
// the call (tests point HOME, XDG_* and TMPDIR at their own folders).
namespace WellKnownPaths {

// $TMPDIR when set and absolute, else /tmp. Never ends with "/" unless it is "/".
QString systemTempFolder();
// ${XDG_STATE_HOME:-$HOME/.local/state}
QString stateHome();
// ${XDG_CONFIG_HOME:-$HOME/.config}
QString configHome();
// The XDG desktop folder (user-dirs.dirs), $HOME/Desktop when none is configured.
QString desktopFolder();

}  // namespace WellKnownPaths

}  // namespace pictavo
