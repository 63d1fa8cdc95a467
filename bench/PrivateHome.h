#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

namespace pictavo::bench {

// A temporary folder as HOME, the XDG folders and TMPDIR for the life of the benchmark
// program, so a run never touches the user's own settings or captures.
class PrivateHome {
public:
    PrivateHome() {
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "TMPDIR"}) {
            qputenv(v, home_.path().toUtf8());
        }
    }

private:
    QTemporaryDir home_;
};

}  // namespace pictavo::bench
