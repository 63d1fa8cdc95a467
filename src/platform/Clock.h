#pragma once

#include <QDateTime>
#include <chrono>

#include "platform/EventLoopWait.h"

namespace pictavo {

// Where "now" comes from, and how time is waited out, so that tests can fix the time and need
// not wait.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Waits `duration` while the event loop runs, as waitWithEvents does: false when the wait
    // was cut short because the application is closing.
    virtual bool wait(std::chrono::milliseconds duration) = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    bool wait(std::chrono::milliseconds duration) override { return waitWithEvents(duration); }
};

}  // namespace pictavo
