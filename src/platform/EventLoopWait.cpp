#include "platform/EventLoopWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <thread>

namespace pictavo {

namespace {

// QTimer holds its interval in an int of milliseconds (24.8 days); longer waits are made of
// several timer runs.
constexpr std::chrono::milliseconds kLongestTimerRun = std::chrono::hours(1);

}  // namespace

bool waitWithEvents(std::chrono::milliseconds duration) {
    using Clock = std::chrono::steady_clock;
    if (duration.count() <= 0) {
        return true;
    }
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    const Clock::time_point end = Clock::now() + duration;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) {
            return true;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        // A coarse timer may fire up to 5 % late: half a second on a ten-second countdown.
        timer.setTimerType(Qt::PreciseTimer);
        bool timedOut = false;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&loop, &timedOut] {
            timedOut = true;
            loop.quit();
        });
        timer.start(std::min(left, kLongestTimerRun));
        loop.exec();
        // Ended by someone else: the application is closing.
        if (!timedOut) {
            return false;
        }
    }
}

}  // namespace pictavo
