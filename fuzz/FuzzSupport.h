#pragma once

// What every fuzz target shares: a failed property aborts with its text, so that libFuzzer
// keeps the input, and a store file that starts empty for each input.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

#define CHECK(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            std::fprintf(stderr, "%s: %s failed\n", __FILE__, #condition); \
            std::abort();                                                  \
        }                                                                  \
    } while (0)

namespace pictavo::fuzz {

// The path of a settings store that does not exist yet, in a folder of this process's own,
// named after `target`; whatever an earlier input left there is removed.
inline QString freshStorePath(const char* target) {
    static const QString folder = [target] {
        const QString dir = QDir::tempPath() +
                            QStringLiteral("/fuzz_%1.%2").arg(QLatin1String(target)).arg(getpid());
        QDir().mkpath(dir);
        return dir;
    }();
    const QString path = folder + QStringLiteral("/registry.db");
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1String(suffix));
    }
    return path;
}

}  // namespace pictavo::fuzz
