#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
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

// The main of a benchmark program that needs widgets but no display: a private home, an
// offscreen application, then the registered benchmarks.
inline int runOffscreenWithPrivateHome(int argc, char** argv) {
    const PrivateHome home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace pictavo::bench
