#pragma once

#include <QHash>
#include <QImage>
#include <QPainter>

#include "platform/ScreenSource.h"

namespace pictavo::test {

// A screen that shows a given image; the "active window" is a rectangle of it, and further
// windows can be placed on it with a frame and a client area.
class FakeScreenSource final : public ScreenSource {
public:
    explicit FakeScreenSource(QImage screen, QRect activeWindow = {})
        : screen_(std::move(screen)),
          active_(activeWindow.isNull() ? screen_.rect() : activeWindow) {}

    QRect virtualScreen() override { return screen_.rect(); }
    QRect foregroundWindowRect() override { return active_; }
    QRect windowRect(WindowId window, bool clientArea) override {
        const auto [frame, client] = window == kRootWindow
                                         ? std::pair(screen_.rect(), screen_.rect())
                                         : windows_.value(window);  // none: two null rectangles
        return clientArea ? client : frame;
    }
    QImage grab(const QRect& rect) override {
        ++grabs_;
        if (!failure_.isEmpty()) {
            throw ScreenReadError(failure_);
        }
        if (rect.isEmpty()) {
            return {};
        }
        QImage out(rect.size(), QImage::Format_RGB32);
        out.fill(Qt::black);
        QPainter p(&out);
        p.drawImage(QPoint(0, 0), screen_, rect);
        return out;
    }

    int taskbarHeight() override { return taskbar_; }

    QImage& screen() { return screen_; }
    void setTaskbarHeight(int height) { taskbar_ = height; }
    void setActiveWindow(const QRect& r) { active_ = r; }
    // A window whose whole outer rectangle is `frame` and whose own drawing area is `client`,
    // both in screen coordinates.
    void addWindow(WindowId id, const QRect& frame, const QRect& client) {
        windows_.insert(id, {frame, client});
    }
    int grabs() const { return grabs_; }
    // Every read from now on fails with `reason`; none when empty.
    void failReads(const QString& reason) { failure_ = reason; }

private:
    QImage screen_;
    QRect active_;
    QHash<WindowId, std::pair<QRect, QRect>> windows_;  // frame, client
    int grabs_ = 0;
    QString failure_;
    int taskbar_ = 0;
};

}  // namespace pictavo::test
