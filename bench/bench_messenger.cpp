// The messenger plug-in's cost beyond the capture itself, in a headless libpurple client signed
// in to a private prosody, sending to a second account on a private Xvfb with openbox:
//   BM_HostAloneCommandToAnswer      "/xpvfull" typed straight into pictavo-host until its answer
//                                    (the capture itself), "Preview" 0;
//   BM_MessengerCommandToTransfer    the same command typed into the messenger's conversation
//                                    until the file transfer is created;
//   BM_MessengerLongestStallInPreview the longest wait of the messenger's main loop while a
//                                    capture runs with its preview open for a second.
// The plug-in's overhead is the difference of the first two medians.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "PrivateHome.h"
#include "purple/PurpleSession.h"
#include "support/XvfbSession.h"

namespace {

using pictavo::test::PurpleClient;
using pictavo::test::XmppServer;

std::unique_ptr<XmppServer> server;
std::unique_ptr<QTemporaryDir> received;
std::unique_ptr<PurpleClient> receiver;
std::unique_ptr<PurpleClient> sender;

void setPreview(const char* value) {
    QProcess reg;
    reg.setStandardOutputFile(QProcess::nullDevice());
    reg.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg"),
              {QStringLiteral("add"),
               QStringLiteral("HKCU\\SOFTWARE\\Quorrel\\Pictavo\\alice@localhost\\Options"),
               QStringLiteral("/v"), QStringLiteral("Preview"), QStringLiteral("/d"),
               QLatin1String(value), QStringLiteral("/f")});
    reg.waitForFinished();
}

bool previewShown() {
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Pictavo 3$")});
        search.waitForFinished();
        if (!search.readAllStandardOutput().trimmed().isEmpty()) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void BM_HostAloneCommandToAnswer(benchmark::State& state) {
    setPreview("0");
    QProcess host;
    host.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"),
               {QStringLiteral("--email"), QStringLiteral("alice@localhost")});
    host.write("/xpvfull\n");  // the first one loads what later ones reuse
    host.waitForReadyRead(20000);
    host.readAll();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        host.write("/xpvfull\n");
        while (!host.canReadLine() && host.waitForReadyRead(20000)) {
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        host.readLine();
    }
    host.closeWriteChannel();
    host.waitForFinished();
}
BENCHMARK(BM_HostAloneCommandToAnswer)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3);

void BM_MessengerCommandToTransfer(benchmark::State& state) {
    setPreview("0");
    sender->send(QStringLiteral("do bob@localhost /xpvfull"));  // starts the account's host
    sender->next(QStringLiteral("XFER "));
    receiver->next(QStringLiteral("RECV "));
    for (auto _ : state) {
        sender->send(QStringLiteral("do bob@localhost /xpvfull"));
        const auto ms = sender->next(QStringLiteral("XFER "));
        if (!ms) {
            state.SkipWithError("no transfer");
            break;
        }
        state.SetIterationTime(ms->toDouble() / 1000);
        receiver->next(QStringLiteral("RECV "));
    }
}
BENCHMARK(BM_MessengerCommandToTransfer)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3);

void BM_MessengerLongestStallInPreview(benchmark::State& state) {
    setPreview("1");
    double longest = 0;
    for (auto _ : state) {
        sender->send(QStringLiteral("stall"));
        sender->next(QStringLiteral("STALL "));
        sender->send(QStringLiteral("do bob@localhost /xpvfull"));
        if (!previewShown()) {
            state.SkipWithError("no preview");
            break;
        }
        QThread::msleep(1000);
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("key"), QStringLiteral("Escape")});
        sender->next(QStringLiteral("CONV 4 Pictavo: nothing was sent."));
        sender->send(QStringLiteral("stall"));
        const double ms = sender->next(QStringLiteral("STALL ")).value_or("0").toDouble();
        longest = std::max(longest, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["longest_ms"] = longest;
    setPreview("0");
}
BENCHMARK(BM_MessengerLongestStallInPreview)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    const pictavo::bench::PrivateHome home;
    pictavo::test::XvfbSession session(pictavo::test::XvfbSession::Options{});
    if (!session.isRunning()) {
        std::fprintf(stderr, "bench_messenger: no X server: %s\n", qPrintable(session.error()));
        return 1;
    }
    session.exportDisplay();
    qputenv("PICTAVO_HOST", PICTAVO_BIN_DIR "/pictavo-host");
    QCoreApplication app(argc, argv);
    server =
        std::make_unique<XmppServer>(QStringList{QStringLiteral("alice"), QStringLiteral("bob")});
    if (!server->isRunning()) {
        std::fprintf(stderr, "bench_messenger: %s\n", qPrintable(server->error()));
        return 1;
    }
    received = std::make_unique<QTemporaryDir>();
    receiver = std::make_unique<PurpleClient>(*server, QStringLiteral("bob"),
                                              QStringLiteral("alice"), received->path());
    sender =
        std::make_unique<PurpleClient>(*server, QStringLiteral("alice"), QStringLiteral("bob"));
    sender->send(QStringLiteral("load " PICTAVO_PURPLE_PLUGIN));
    if (!sender->next(QStringLiteral("READY")) || !receiver->next(QStringLiteral("READY")) ||
        sender->next(QStringLiteral("LOAD")) != QStringLiteral("ED")) {
        std::fprintf(stderr, "bench_messenger: the accounts did not sign in: %s | %s\n",
                     qPrintable(sender->seen().join(QLatin1Char('|'))),
                     qPrintable(receiver->seen().join(QLatin1Char('|'))));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sender.reset();
    receiver.reset();
    server.reset();
    return 0;
}
