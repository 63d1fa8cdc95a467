// The preview's hot steps: the area-average reduction of a capture that does not fit the
// preview area, the canvas restore that every rubber-band move starts with, a rubber-band step
// of the line tool and of the pixelate tool, and an undo and a redo among many annotations.
//
// The area is the preview area of a 1920x1080 screen at 96 dpi with no panel (1614x769);
// the capture is a photo-like picture (smooth gradients, texture, hard edges).

#include <benchmark/benchmark.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <string>

#include "preview/AnnotatedCanvas.h"
#include "preview/AnnotationList.h"
#include "preview/AreaAverage.h"
#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"
#include "preview/PreviewLayout.h"

namespace {

using pictavo::CanvasImage;

const QSize kArea(1614, 769);

QImage photoLike(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    unsigned s = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            s = s * 1664525u + 1013904223u;
            const int grain = static_cast<int>(s >> 28) - 8;
            const double fx = double(x) / size.width();
            const double fy = double(y) / size.height();
            const int r =
                std::clamp(int(120 + 100 * std::sin(fx * 6.1 + fy * 2.3)) + grain, 0, 255);
            const int g = std::clamp(int(110 + 90 * std::cos(fy * 5.3 - fx * 1.7)) + grain, 0, 255);
            const int b = std::clamp(int(140 + 80 * std::sin((fx + fy) * 9.0)) + grain, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    QPainter p(&img);
    p.setPen(Qt::black);
    for (int i = 0; i < 40; ++i) {
        p.fillRect(
            QRect(size.width() * i / 40, size.height() / 3, size.width() / 90, size.height() / 4),
            QColor::fromHsv(i * 9, 200, 230));
        p.drawText(size.width() * i / 40, size.height() * 3 / 4, QStringLiteral("Pictavo"));
    }
    return img;
}

void BM_Reduce(benchmark::State& state) {
    const QSize capture(int(state.range(0)), int(state.range(1)));
    const QImage src = photoLike(capture);
    const QSize target = pictavo::placeCapture(capture, kArea).size;
    for (auto _ : state) {
        QImage out = pictavo::reduceByAreaAverage(src, target);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetLabel(QStringLiteral("%1x%2 -> %3x%4")
                       .arg(capture.width())
                       .arg(capture.height())
                       .arg(target.width())
                       .arg(target.height())
                       .toStdString());
}

// For comparison only: Qt's smooth scaling, which filters but does not average whole areas.
void BM_QtSmoothScaled(benchmark::State& state) {
    const QSize capture(int(state.range(0)), int(state.range(1)));
    const QImage src = photoLike(capture);
    const QSize target = pictavo::placeCapture(capture, kArea).size;
    for (auto _ : state) {
        QImage out = src.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}

// One rubber-band step of the line tool: restore, then a line across the canvas.
void BM_RubberBandLine(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    CanvasImage canvas;
    canvas.setPicture(photoLike(size));
    canvas.setPenWidth(int(state.range(2)));
    int i = 0;
    for (auto _ : state) {
        canvas.restore();
        canvas.drawLine(10, 10, size.width() - 10 - (i % 50), size.height() - 10, Qt::red);
        ++i;
    }
}

// A restore after the whole working image changed: the worst case, a full copy.
void BM_RestoreWhole(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    CanvasImage canvas;
    const QImage picture = photoLike(size);
    canvas.setPicture(picture);
    for (auto _ : state) {
        state.PauseTiming();
        canvas.paintPicture(picture);
        state.ResumeTiming();
        canvas.restore();
    }
}

// The preview's wiring: the tools draw on the canvas, finished shapes go to the list, the
// canvas follows the list.
struct Preview {
    explicit Preview(const QImage& capture) {
        shown.reset(capture, 1.0, {});
        state.Colour = 0x0000FF;
        state.Len = 3;
        list.setChangedHandler(
            [this](pictavo::AnnotationList::Change change, const pictavo::Annotation&) {
                if (change == pictavo::AnnotationList::Change::Added) {
                    shown.add(list.items().back());
                } else {
                    shown.removeLast(list.items());
                }
            });
    }
    CanvasImage canvas;
    pictavo::AnnotatedCanvas shown{canvas};
    pictavo::AnnotationList list;
    pictavo::DrawingState state;
    pictavo::PointerTools tools{
        canvas, shown, state, {}, {}, [this](pictavo::Annotation a) { list.add(std::move(a)); }};
};

// One rubber-band step of the line tool as the pointer moves with the button held: restore,
// then the line from the press point.
void BM_RubberBandStep(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    Preview preview(photoLike(size));
    preview.state.Tool = pictavo::DrawingState::Line;
    preview.tools.press(Qt::LeftButton, QPointF(10, 10));
    int i = 0;
    for (auto _ : state) {
        preview.tools.move(Qt::LeftButton,
                           QPointF(size.width() - 10 - (i % 50), size.height() - 10));
        ++i;
    }
}

// One rubber-band step of the pixelate tool over a quarter of the capture (half its width, half
// its height): restore, then the block means of the area taken anew and written. Within one
// frame at 60 Hz (16 ms) on a 4K capture, the area follows the pointer smoothly.
void BM_RubberBandPixelate(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    Preview preview(photoLike(size));
    preview.state.Tool = pictavo::DrawingState::Pixelate;
    preview.tools.press(Qt::LeftButton, QPointF(size.width() / 4.0, size.height() / 4.0));
    int i = 0;
    for (auto _ : state) {
        preview.tools.move(Qt::LeftButton, QPointF(size.width() * 3 / 4.0 - (i % 2),
                                                   size.height() * 3 / 4.0 - (i % 2)));
        ++i;
    }
}

// 200 freehand strokes (random walks of 60 steps of up to `step` pixels each way, pen 3) on the
// capture. One iteration undoes all of them, newest first, or redoes all of them; the time of
// one undo or redo is the iteration's time over 200, and `worst_ms` the slowest one.
void BM_UndoRedo(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const bool undo = state.range(2) != 0;
    const int step = int(state.range(3));
    constexpr int kStrokes = 200;
    Preview preview(photoLike(size));
    unsigned s = 4242;
    auto next = [&s](int n) {
        s = s * 1664525u + 1013904223u;
        return static_cast<int>((s >> 8) % static_cast<unsigned>(n));
    };
    for (int stroke = 0; stroke < kStrokes; ++stroke) {
        pictavo::Annotation a{pictavo::DrawingState::Freehand, 0x0000FF, 3, {}, {}, {}, {}};
        QPoint p(next(size.width()), next(size.height()));
        for (int i = 0; i <= 60; ++i) {
            a.points.push_back(p);
            p += QPoint(next(2 * step + 1) - step, next(2 * step + 1) - step);
            p = QPoint(std::clamp(p.x(), 0, size.width() - 1),
                       std::clamp(p.y(), 0, size.height() - 1));
        }
        preview.list.add(std::move(a));
    }
    double worst = 0;
    const auto all = [&](bool timed, auto op) {
        for (int i = 0; i < kStrokes; ++i) {
            const auto start = std::chrono::steady_clock::now();
            op();
            if (timed) {
                worst = std::max(worst, std::chrono::duration<double, std::milli>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
            }
        }
    };
    const auto undoAll = [&](bool timed) { all(timed, [&] { preview.list.undo(); }); };
    const auto redoAll = [&](bool timed) { all(timed, [&] { preview.list.redo(); }); };
    for (auto _ : state) {
        if (undo) {
            undoAll(true);
            state.PauseTiming();
            redoAll(false);
            state.ResumeTiming();
        } else {
            state.PauseTiming();
            undoAll(false);
            state.ResumeTiming();
            redoAll(true);
        }
    }
    state.counters["worst_ms"] = worst;
    state.SetLabel(std::string(undo ? "200 undos" : "200 redos") + ", steps up to " +
                   std::to_string(step));
}

constexpr int kRepetitions = 9;

}  // namespace

BENCHMARK(BM_Reduce)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_QtSmoothScaled)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RubberBandLine)
    ->Args({1614, 769, 1})
    ->Args({1614, 769, 9})
    ->Args({1920, 1080, 3})
    ->Args({3840, 2160, 3})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RubberBandStep)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RubberBandPixelate)
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_UndoRedo)
    ->Args({3840, 2160, 1, 20})
    ->Args({3840, 2160, 0, 20})
    ->Args({3840, 2160, 1, 200})
    ->Args({3840, 2160, 0, 200})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RestoreWhole)
    ->Args({1614, 769})
    ->Args({3228, 1538})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    // Text in the test picture needs fonts, which need a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
