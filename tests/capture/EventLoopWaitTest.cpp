#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

#include "capture/EventLoopWait.h"

namespace pictavo {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// That the wait sleeps rather than spins shows in the processor time of a typed countdown
// (SendCommand.TypedCountdownIsRoundedDownWaitedOutAndCountedOnScreen).

// Timers and posted events go on during the wait (the countdown window ticks), without cutting
// it short; a wait of no time runs nothing.
TEST(EventLoopWait, DeliversEventsWhileWaitingAndNoneForNoTime) {
    bool posted = false;
    QTimer::singleShot(0, [&posted] { posted = true; });
    waitWithEvents(-5ms);
    waitWithEvents(0ms);
    EXPECT_FALSE(posted);

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    const auto start = SteadyClock::now();
    waitWithEvents(400ms);
    EXPECT_GE(SteadyClock::now() - start, 400ms);
    EXPECT_TRUE(posted);
    EXPECT_GE(ticks, 4);
}

// An application that is closing ends the wait at once, and says so.
TEST(EventLoopWait, EndsEarlyWhenTheApplicationExits) {
    bool completed = true;
    SteadyClock::duration waited{};
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        const auto start = SteadyClock::now();
        completed = waitWithEvents(60s);
        waited = SteadyClock::now() - start;
    });
    // The application's own loop, as in the host; it resets the exit for the tests after.
    QCoreApplication::exec();
    EXPECT_FALSE(completed);
    EXPECT_LT(waited, 10s);
    EXPECT_TRUE(waitWithEvents(10ms));
}

}  // namespace
}  // namespace pictavo
