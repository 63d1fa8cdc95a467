#pragma once

#include <QImage>
#include <QPainter>

#include "platform/ScreenSource.h"

namespace pictavo::test {

// A screen that shows a given image; the "active window" is a rectangle of it.
class FakeScreenSource final : public ScreenSource {
public:
    explicit FakeScreenSource(QImage screen, QRect activeWindow = {})
        : screen_(std::move(screen)),
          active_(activeWindow.isNull() ? screen_.rect() : activeWindow) {}

    QRect virtualScreen() override { return screen_.rect(); }
    QRect foregroundWindowRect() override { return active_; }
    QImage grab(const QRect& rect) override {
        QImage out(rect.size(), QImage::Format_RGB32);
        out.fill(Qt::black);
        QPainter p(&out);
        p.drawImage(QPoint(0, 0), screen_, rect);
        return out;
    }

    QImage& screen() { return screen_; }
    void setActiveWindow(const QRect& r) { active_ = r; }

private:
    QImage screen_;
    QRect active_;
};

}  // namespace pictavo::test
