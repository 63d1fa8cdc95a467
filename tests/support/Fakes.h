#pragma once

#include <QStringList>
#include <functional>

#include "platform/Clock.h"
#include "platform/Shell.h"
#include "platform/VideoDevices.h"

namespace pictavo::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime when = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)))
        : when_(std::move(when)) {}
    QDateTime now() const override { return when_; }
    void set(const QDateTime& when) { when_ = when; }
    // A wait passes at once: the time moves on by it, and onWait sees it.
    bool wait(std::chrono::milliseconds duration) override {
        when_ = when_.addMSecs(duration.count());
        if (onWait) {
            onWait(duration);
        }
        return true;
    }
    std::function<void(std::chrono::milliseconds)> onWait;

private:
    QDateTime when_;
};

// A shell that records what it was asked to open.
class FakeShell final : public Shell {
public:
    bool openUrl(const QString& url) override {
        urls << url;
        return true;
    }
    bool openFolder(const QString& folder) override {
        folders << folder;
        return opens;
    }
    bool opens = true;  // whether a folder opens
    QStringList urls;
    QStringList folders;
};

// A system with the given camera (none by default) that counts the probes.
class FakeVideoDevices final : public VideoDevices {
public:
    std::optional<QString> firstCaptureCard() override {
        ++probes;
        return card;
    }
    std::optional<QString> card;
    int probes = 0;
};

}  // namespace pictavo::test
