#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

#include "capture/EventLoopWait.h"

namespace pictavo {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// That the wait sleeps rather than spins, lasts its time and lets timers tick shows in a typed
// countdown (SendCommand.TypedCountdownIsRoundedDownWaitedOutAndCountedOnScreen: processor time,
// elapsed time, and the counter's numbers shown one a second during the wait).

// Posted events go on during the wait; a wait of no time runs nothing.
TEST(EventLoopWait, DeliversEventsWhileWaitingAndNoneForNoTime) {
    bool posted = false;
    QTimer::singleShot(0, [&posted] { posted = true; });
    waitWithEvents(-5ms);
    waitWithEvents(0ms);
    EXPECT_FALSE(posted);
    waitWithEvents(20ms);
    EXPECT_TRUE(posted);
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
