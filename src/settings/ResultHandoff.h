#pragma once

#include <QString>

namespace pictavo {

class Settings;

// Windows report their outcome to the code that showed them through one value under the user
// key, "sResult": a path ("/dropfile " + path), "Cancel", or a "#" answer from a chooser.
namespace ResultHandoff {

inline const QString kValueName = QStringLiteral("sResult");

QString read(Settings& settings);
void write(Settings& settings, const QString& result);
void reset(Settings& settings);
// True for an outcome that hands nothing on: "Cancel...", "#...", or the "Error" of a value
// that is missing.
bool isCancelled(const QString& result);

}  // namespace ResultHandoff

}  // namespace pictavo
