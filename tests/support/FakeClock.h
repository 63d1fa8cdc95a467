#pragma once

#include "platform/Clock.h"

namespace pictavo::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime when = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)))
        : when_(std::move(when)) {}
    QDateTime now() const override { return when_; }
    void set(const QDateTime& when) { when_ = when; }

private:
    QDateTime when_;
};

}  // namespace pictavo::test
