#include "preview/AreaAverage.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace pictavo {

namespace {

// Weights are fixed-point fractions of one target pixel; those of one target pixel add up to
// exactly kOne, so a flat colour stays exactly that colour.
constexpr std::uint32_t kOneShift = 16;
constexpr std::uint32_t kOne = 1u << kOneShift;

// The source pixels that one target pixel covers along one axis, and their weights.
struct Span {
    int first = 0;
    int count = 0;
    int weights = 0;  // index of the first weight
};

struct AxisWeights {
    std::vector<Span> spans;
    std::vector<std::uint32_t> weights;
};

// Target pixel i covers the source interval [i*n/m, (i+1)*n/m). In units of 1/m source pixel
// that is [i*n, (i+1)*n), and source pixel j is [j*m, (j+1)*m), so every overlap is an exact
// integer and the overlaps of one target pixel add up to n.
AxisWeights axisWeights(int n, int m) {
    AxisWeights a;
    a.spans.resize(static_cast<std::size_t>(m));
    const std::int64_t N = n;
    const std::int64_t M = m;
    for (std::int64_t i = 0; i < M; ++i) {
        const std::int64_t lo = i * N;
        const std::int64_t hi = lo + N;
        const std::int64_t first = lo / M;
        const std::int64_t last = (hi - 1) / M;
        Span& s = a.spans[static_cast<std::size_t>(i)];
        s.first = static_cast<int>(first);
        s.count = static_cast<int>(last - first + 1);
        s.weights = static_cast<int>(a.weights.size());
        std::uint32_t total = 0;
        std::size_t largest = a.weights.size();
        for (std::int64_t j = first; j <= last; ++j) {
            const std::int64_t overlap = std::min(hi, (j + 1) * M) - std::max(lo, j * M);
            const auto w = static_cast<std::uint32_t>((overlap * kOne) / N);
            if (largest == a.weights.size() || w > a.weights[largest]) {
                largest = a.weights.size();
            }
            a.weights.push_back(w);
            total += w;
        }
        // Truncation leaves at most count-1 units over; they go to the heaviest pixel.
        a.weights[largest] += kOne - total;
    }
    return a;
}

// One source row reduced horizontally: three channels per target pixel, each the weighted
// mean times 256 (8 fractional bits), at most 255 * 256.
void reduceRow(const std::uint32_t* src, const AxisWeights& ax, std::uint32_t* out) {
    const std::uint32_t* w = ax.weights.data();
    for (const Span& s : ax.spans) {
        // Blue and red share one 64-bit sum, in lanes 32 bits apart: a lane never exceeds
        // 255 * kOne, so no carry crosses into the other.
        std::uint64_t rb = 0;
        std::uint32_t g = 0;
        const std::uint32_t* p = src + s.first;
        const std::uint32_t* ww = w + s.weights;
        for (int k = 0; k < s.count; ++k) {
            const std::uint32_t px = p[k];
            const std::uint64_t wk = ww[k];
            rb += wk * ((px & 0xffu) | (std::uint64_t{px & 0xff0000u} << 16));
            g += static_cast<std::uint32_t>(wk) * ((px >> 8) & 0xffu);
        }
        out[0] = (static_cast<std::uint32_t>(rb) + 128) >> 8;
        out[1] = (g + 128) >> 8;
        out[2] = (static_cast<std::uint32_t>(rb >> 32) + 128) >> 8;
        out += 3;
    }
}

// Target rows [y0, y1) of the reduction into `out` (rows `stride` bytes apart).
void reduceRows(const QImage& src, const AxisWeights& ax, const AxisWeights& ay, uchar* out,
                qsizetype stride, int y0, int y1) {
    const int dw = static_cast<int>(ax.spans.size());
    // Padded to whole blocks of kBlock so that the accumulation below runs in fixed-size
    // blocks, which the compiler turns into vector code.
    constexpr std::size_t kBlock = 8;
    const std::size_t used = static_cast<std::size_t>(dw) * 3;
    const std::size_t padded = (used + kBlock - 1) / kBlock * kBlock;
    std::vector<std::uint32_t> row(padded);
    std::vector<std::uint32_t> acc(padded);
    // Consecutive target rows share at most their boundary source row, so one cached row is
    // enough to reduce every source row horizontally only once.
    int cachedRow = -1;

    for (int y = y0; y < y1; ++y) {
        const Span& sy = ay.spans[static_cast<std::size_t>(y)];
        std::fill(acc.begin(), acc.end(), 0u);
        for (int k = 0; k < sy.count; ++k) {
            const int srcY = sy.first + k;
            if (srcY != cachedRow) {
                reduceRow(reinterpret_cast<const std::uint32_t*>(src.constScanLine(srcY)), ax,
                          row.data());
                cachedRow = srcY;
            }
            const std::uint32_t wy =
                ay.weights[static_cast<std::size_t>(sy.weights) + static_cast<std::size_t>(k)];
            // At most 255 * 256 * kOne in total, which fits 32 bits.
            std::uint32_t* a = acc.data();
            const std::uint32_t* h = row.data();
            for (std::size_t i = 0; i < padded; i += kBlock) {
                for (std::size_t j = 0; j < kBlock; ++j) {
                    a[i + j] += wy * h[i + j];
                }
            }
        }
        auto* line = reinterpret_cast<std::uint32_t*>(out + y * stride);
        constexpr std::uint32_t kHalf = 1u << (kOneShift + 8 - 1);
        for (int x = 0; x < dw; ++x) {
            const std::size_t i = 3 * static_cast<std::size_t>(x);
            const std::uint32_t b = (acc[i] + kHalf) >> (kOneShift + 8);
            const std::uint32_t g = (acc[i + 1] + kHalf) >> (kOneShift + 8);
            const std::uint32_t r = (acc[i + 2] + kHalf) >> (kOneShift + 8);
            line[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
}

}  // namespace

QImage reduceByAreaAverage(const QImage& source, QSize size) {
    QImage result(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    if (result.isNull()) {
        return result;
    }
    if (source.isNull() || source.width() == 0 || source.height() == 0) {
        result.fill(Qt::black);
        return result;
    }
    const QImage src =
        (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32)
            ? source
            : source.convertToFormat(QImage::Format_RGB32);

    const int dh = size.height();
    const AxisWeights ax = axisWeights(src.width(), size.width());
    const AxisWeights ay = axisWeights(src.height(), dh);
    uchar* out = result.bits();
    const qsizetype stride = result.bytesPerLine();

    // Large captures are reduced in horizontal bands on several cores; the bands write
    // disjoint rows and only read what is shared.
    constexpr qint64 kPixelsPerBand = 1 << 19;
    const qint64 pixels = qint64{src.width()} * src.height();
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int bands = static_cast<int>(
        std::clamp<qint64>(std::min<qint64>(pixels / kPixelsPerBand, cores), 1, std::min(dh, 4)));
    std::vector<std::jthread> helpers;
    for (int b = 1; b < bands; ++b) {
        helpers.emplace_back(
            [&, b] { reduceRows(src, ax, ay, out, stride, dh * b / bands, dh * (b + 1) / bands); });
    }
    reduceRows(src, ax, ay, out, stride, 0, dh / bands);
    helpers.clear();  // joins
    return result;
}

}  // namespace pictavo
