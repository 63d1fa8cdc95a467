#include "CommandLine.h"

namespace pictavo::host {

std::optional<HostOptions> parseHostArguments(const QStringList& arguments,
                                              const QString& defaultEmail,
                                              const QString& defaultScriptsDir, QString& error) {
    HostOptions options{defaultEmail, 4, defaultScriptsDir};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString name = a;
        std::optional<QString> value;
        if (const qsizetype eq = a.indexOf(QLatin1Char('='));
            a.startsWith(QLatin1String("--")) && eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        const bool known = name == QLatin1String("--email") ||
                           name == QLatin1String("--host-version") ||
                           name == QLatin1String("--scripts-dir");
        if (!known) {
            error = QStringLiteral("unknown argument: %1").arg(a);
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (name == QLatin1String("--email")) {
            options.email = *value;
        } else if (name == QLatin1String("--scripts-dir")) {
            options.scriptsDir = *value;
        } else {
            bool ok = false;
            options.hostVersion = value->toInt(&ok);
            if (!ok) {
                error = QStringLiteral("--host-version takes a whole number, not %1").arg(*value);
                return std::nullopt;
            }
        }
    }
    return options;
}

TypedLine splitTypedLine(const QString& line) {
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0) {
        return {line, QString()};
    }
    return {line.left(space), line.mid(space + 1)};
}

QString decodeAnswer(QString answer) {
    return answer.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
}

}  // namespace pictavo::host
