#include "preview/AreaAverage.h"

#include <algorithm>
#include <cstdint>
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
        std::uint32_t b = 0;
        std::uint32_t g = 0;
        std::uint32_t r = 0;
        const std::uint32_t* p = src + s.first;
        const std::uint32_t* ww = w + s.weights;
        for (int k = 0; k < s.count; ++k) {
            const std::uint32_t px = p[k];
            const std::uint32_t wk = ww[k];
            b += wk * (px & 0xffu);
            g += wk * ((px >> 8) & 0xffu);
            r += wk * ((px >> 16) & 0xffu);
        }
        out[0] = (b + 128) >> 8;
        out[1] = (g + 128) >> 8;
        out[2] = (r + 128) >> 8;
        out += 3;
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

    const int dw = size.width();
    const int dh = size.height();
    const AxisWeights ax = axisWeights(src.width(), dw);
    const AxisWeights ay = axisWeights(src.height(), dh);

    // Consecutive target rows share at most their boundary source row, so one cached row is
    // enough to reduce every source row horizontally only once.
    std::vector<std::uint32_t> row(static_cast<std::size_t>(dw) * 3);
    std::vector<std::uint32_t> acc(static_cast<std::size_t>(dw) * 3);
    int cachedRow = -1;

    for (int y = 0; y < dh; ++y) {
        const Span& sy = ay.spans[static_cast<std::size_t>(y)];
        std::fill(acc.begin(), acc.end(), 0u);
        for (int k = 0; k < sy.count; ++k) {
            const int srcY = sy.first + k;
            if (srcY != cachedRow) {
                reduceRow(reinterpret_cast<const std::uint32_t*>(src.constScanLine(srcY)), ax,
                          row.data());
                cachedRow = srcY;
            }
            const std::uint32_t wy = ay.weights[static_cast<std::size_t>(sy.weights + k)];
            // At most 255 * 256 * kOne in total, which fits 32 bits.
            for (std::size_t i = 0; i < acc.size(); ++i) {
                acc[i] += wy * row[i];
            }
        }
        auto* out = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
        constexpr std::uint32_t kHalf = 1u << (kOneShift + 8 - 1);
        for (int x = 0; x < dw; ++x) {
            const std::uint32_t b = (acc[3 * x] + kHalf) >> (kOneShift + 8);
            const std::uint32_t g = (acc[3 * x + 1] + kHalf) >> (kOneShift + 8);
            const std::uint32_t r = (acc[3 * x + 2] + kHalf) >> (kOneShift + 8);
            out[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
    return result;
}

}  // namespace pictavo
