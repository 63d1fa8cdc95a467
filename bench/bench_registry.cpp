// `pictavo-reg query /s` over a chain of nested keys: the whole command (store opened, tree read,
// text written to a discarding stream), by depth of the chain.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "platform/RegistryHive.h"
#include "reg/RegTool.h"

using namespace pictavo;

namespace {

// A store holding HKCU\k\k\...\k, `depth` keys deep.
void plantChain(const QString& path, int depth) {
    RegistryHive hive(path);
    hive.createKey(RootKey::CurrentUser, QStringList(depth, QStringLiteral("k")).join(u'\\'));
}

void BM_QueryRecursive(benchmark::State& state) {
    const int depth = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.db"));
    plantChain(path, depth);
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QString none;
    QTextStream in(&none, QIODevice::ReadOnly);
    QTextStream out(&sink);
    QString err;
    QTextStream errors(&err);
    for (auto _ : state) {
        reg::RegTool tool(path, in, out, errors);
        if (tool.run({QStringLiteral("query"), QStringLiteral("HKCU\\k"), QStringLiteral("/s")}) !=
            0) {
            state.SkipWithError("query /s failed");
        }
    }
    state.counters["keys"] = depth;
}
BENCHMARK(BM_QueryRecursive)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
