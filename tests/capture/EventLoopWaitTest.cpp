#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QTimer>
#include <chrono>

#include "capture/EventLoopWait.h"

namespace pictavo {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A countdown of many seconds must not keep a processor busy: the wait sleeps. A spinning
// wait would use about the whole two seconds.
TEST(EventLoopWait, SleepsThroughTheWaitInsteadOfSpinning) {
    const double cpuBefore = processCpuSeconds();
    const auto start = SteadyClock::now();
    waitWithEvents(2s);
    const auto waited = SteadyClock::now() - start;
    const double cpu = processCpuSeconds() - cpuBefore;

    EXPECT_GE(waited, 2s);
    EXPECT_LT(cpu, 0.05);
}

// Other windows' timers keep ticking while the wait lasts, and the wait is not cut short by
// them.
TEST(EventLoopWait, DeliversTimersAndEventsWhileWaiting) {
    const auto start = SteadyClock::now();
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start();
    bool posted = false;
    QTimer::singleShot(0, [&posted] { posted = true; });

    waitWithEvents(400ms);

    EXPECT_TRUE(posted);
    EXPECT_GE(ticks, 4);
    EXPECT_GE(SteadyClock::now() - start, 400ms);
}

// A wait of no time returns without running the loop: nothing pending is delivered.
TEST(EventLoopWait, NoTimeOrLessRunsNothing) {
    for (const auto duration : {0ms, -1ms, -5000ms}) {
        bool delivered = false;
        QTimer::singleShot(0, [&delivered] { delivered = true; });
        waitWithEvents(duration);
        EXPECT_FALSE(delivered) << duration.count();
        waitWithEvents(1ms);  // let the pending call go before `delivered` goes out of scope
        EXPECT_TRUE(delivered);
    }
}

// Waits inside waits (a second command arriving during a countdown) each end at their own time,
// the inner one first.
TEST(EventLoopWait, ANestedWaitEndsBeforeTheOneAroundIt) {
    const auto start = SteadyClock::now();
    SteadyClock::duration innerEnded{};
    QTimer::singleShot(50, [&] {
        waitWithEvents(200ms);
        innerEnded = SteadyClock::now() - start;
    });
    waitWithEvents(400ms);
    const auto outerEnded = SteadyClock::now() - start;
    EXPECT_GE(innerEnded, 250ms);
    EXPECT_GE(outerEnded, 400ms);
    EXPECT_GT(outerEnded, innerEnded);
}

}  // namespace
}  // namespace pictavo
