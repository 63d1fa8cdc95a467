#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pictavo::host {

struct HostOptions {
    QString email;
    int hostVersion = 4;
    QString scriptsDir;
};

// Parses the host's arguments (without the program name). `error` says what is wrong when the
// result is empty.
std::optional<HostOptions> parseHostArguments(const QStringList& arguments,
                                              const QString& defaultEmail,
                                              const QString& defaultScriptsDir, QString& error);

// One typed line as the conversation window hands it on: the first word is the command, the
// rest after the first space its argument.
struct TypedLine {
    QString command;
    QString argument;
};
TypedLine splitTypedLine(const QString& line);

// The plug-in's answer as the user reads it: the hand-off doubles every "\", which is undone
// here, so a file's path prints as the file's real path.
QString decodeAnswer(QString answer);

}  // namespace pictavo::host
