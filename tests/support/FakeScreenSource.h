#pragma once

#include <QImage>
#include <QPainter>

#include "platform/ScreenSource.h"

namespace pictavo::test {

// A screen that shows a given image; the "active window" is a rectangle of it, and the root is
// the only other window it knows.
class FakeScreenSource final : public ScreenSource {
public:
    explicit FakeScreenSource(QImage screen, QRect activeWindow = {})
        : screen_(std::move(screen)),
          active_(activeWindow.isNull() ? screen_.rect() : activeWindow) {}

    QRect virtualScreen() override { return screen_.rect(); }
    QRect foregroundWindowRect() override { return active_; }
    QRect windowRect(WindowId window, bool /*clientArea*/) override {
        return window == kRootWindow ? screen_.rect() : QRect();
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
    int grabs() const { return grabs_; }
    // Every read from now on fails with `reason`; none when empty.
    void failReads(const QString& reason) { failure_ = reason; }

private:
    QImage screen_;
    QRect active_;
    int grabs_ = 0;
    QString failure_;
    int taskbar_ = 0;
};

}  // namespace pictavo::test
