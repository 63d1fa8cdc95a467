#include "support/TestEnvironment.h"

#include <QDir>

namespace pictavo::test {

TestEnvironment::TestEnvironment()
    : dir_(QDir::tempPath() + QStringLiteral("/pictavo-test-XXXXXX")) {
    const QString base = dir_.path();
    const auto point = [&](const char* variable, const QString& folder) {
        QDir().mkpath(folder);
        qputenv(variable, folder.toUtf8());
    };
    point("HOME", base + QStringLiteral("/home"));
    point("XDG_CONFIG_HOME", base + QStringLiteral("/home/.config"));
    point("XDG_STATE_HOME", base + QStringLiteral("/home/.local/state"));
    point("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
    point("XDG_CACHE_HOME", base + QStringLiteral("/home/.cache"));
    point("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    point("TMPDIR", base + QStringLiteral("/tmp"));
}

}  // namespace pictavo::test
