#include "convert/Resampler.h"

#include "convert/PixelConversion.h"
#include "convert/ResampleRows.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr double kSupport = 2.0; // of the bicubic kernel at scale 1

double Bicubic(double x)
{
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0)
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0)
        return (((x - 5.0) * x + 8.0) * x - 4.0) * a;
    return 0.0;
}

// For each output position: the first source index and the weights.
struct Taps
{
    int taps = 0;               // weights per output position
    std::vector<int> first;     // first source index
    std::vector<double> weight; // taps weights per output position
};

// Without the trailing taps that are zero at every position: the kernel is
// zero beyond its support, which the tap count rounds up. Leaving out a zero
// term changes no rounded sum.
Taps Trimmed(Taps t)
{
    const std::size_t positions = t.first.size();
    int used = 1;
    for (std::size_t x = 0; x < positions; ++x)
        for (int k = t.taps - 1; k >= used; --k)
            if (t.weight[x * t.taps + k] != 0.0) {
                used = k + 1;
                break;
            }
    if (used == t.taps)
        return t;
    std::vector<double> weight(positions * used);
    for (std::size_t x = 0; x < positions; ++x)
        std::copy_n(&t.weight[x * t.taps], used, &weight[x * used]);
    t.taps = used;
    t.weight = std::move(weight);
    return t;
}

Taps ComputeTaps(int inSize, int outSize)
{
    const double scale = double(inSize) / outSize;
    const double filterScale = std::max(scale, 1.0);
    const double support = kSupport * filterScale;
    Taps t;
    t.taps = int(std::ceil(2.0 * support)) + 2;
    t.first.resize(outSize);
    t.weight.assign(std::size_t(outSize) * t.taps, 0.0);
    for (int x = 0; x < outSize; ++x) {
        const double center = (x + 0.5) * scale;
        const int lo = std::max(int(std::floor(center - support)), 0);
        const int hi = std::min(int(std::ceil(center + support)), inSize);
        double* w = &t.weight[std::size_t(x) * t.taps];
        double sum = 0.0;
        const int count = std::min(hi - lo, t.taps);
        for (int k = 0; k < count; ++k) {
            w[k] = Bicubic((lo + k - center + 0.5) / filterScale);
            sum += w[k];
        }
        if (sum != 0.0) {
            for (int k = 0; k < count; ++k)
                w[k] /= sum;
        }
        t.first[x] = lo;
    }
    return Trimmed(std::move(t));
}

// Weights in fixed point for the 8-bit filters, as 32-bit accumulation
// allows, each position's row padded with zeros to `stride`.
std::vector<std::int32_t> FixedWeights(const Taps& t, int stride)
{
    std::vector<std::int32_t> fixed(t.first.size() * std::size_t(stride), 0);
    for (std::size_t x = 0; x < t.first.size(); ++x)
        for (int k = 0; k < t.taps; ++k)
            fixed[x * stride + k] =
                std::int32_t(std::lround(t.weight[x * t.taps + k] * (1 << kResamplePrecisionBits)));
    return fixed;
}

int StrideOf4(int taps)
{
    return (taps + 3) / 4 * 4;
}

template <typename Work> void RunInParallel(int rows, int threads, Work work)
{
    threads = std::clamp(threads, 1, std::max(1, rows / 16));
    if (threads == 1) {
        work(0, rows);
        return;
    }
    std::vector<std::thread> pool;
    const int chunk = (rows + threads - 1) / threads;
    for (int i = 1; i < threads; ++i) {
        const int begin = i * chunk;
        const int end = std::min(rows, begin + chunk);
        if (begin < end)
            pool.emplace_back(work, begin, end);
    }
    work(0, std::min(rows, chunk));
    for (std::thread& thread : pool)
        thread.join();
}

template <typename T> const T* Row(const QImage& image, int y)
{
    return reinterpret_cast<const T*>(image.constScanLine(y));
}

template <typename T> T* Row(QImage& image, int y)
{
    return reinterpret_cast<T*>(image.scanLine(y));
}

// Both passes in one: each thread filters the source rows horizontally into a
// ring of as many rows as the vertical filter has taps (or the source rows,
// if fewer), and makes each of its output rows from the ring. Vertical
// positions only move down the source, so a row in the ring is filtered once
// and kept until no later output row needs it. `horizontal(src, dst)` filters
// one row; `vertical(rows, y, count, dst)` makes output row y from `count`
// rows. Unless `filterHorizontally` the source rows are used as they are;
// without `verticalTaps` (the same height) rows are only filtered
// horizontally. False when a ring cannot be allocated.
template <typename T, typename Horizontal, typename Vertical>
bool ResampleRows(const QImage& in, QImage& out, const Taps* verticalTaps, bool filterHorizontally,
                  Horizontal horizontal, Vertical vertical, int threads)
{
    const int height = out.height();
    if (!verticalTaps) {
        RunInParallel(height, threads, [&](int begin, int end) {
            for (int y = begin; y < end; ++y)
                horizontal(Row<T>(in, y), Row<T>(out, y));
        });
        return true;
    }
    const int inHeight = in.height();
    const int taps = std::min(verticalTaps->taps, inHeight);
    const std::size_t rowValues = std::size_t(out.width()) * 4;
    std::atomic<bool> allocated = true;
    RunInParallel(height, threads, [&](int begin, int end) {
        const std::unique_ptr<T[]> ring(filterHorizontally ? new (std::nothrow) T[rowValues * taps]
                                                           : nullptr);
        const std::unique_ptr<const T*[]> rows(new (std::nothrow) const T*[taps]);
        if ((filterHorizontally && !ring) || !rows) {
            allocated = false;
            return;
        }
        int next = 0; // the first source row not yet in the ring
        for (int y = begin; y < end; ++y) {
            const int first = verticalTaps->first[y];
            const int count = std::min(taps, inHeight - first);
            if (filterHorizontally) {
                for (next = std::max(next, first); next < first + count; ++next)
                    horizontal(Row<T>(in, next), &ring[rowValues * (next % taps)]);
                for (int k = 0; k < count; ++k)
                    rows[k] = &ring[rowValues * ((first + k) % taps)];
            } else {
                for (int k = 0; k < count; ++k)
                    rows[k] = Row<T>(in, first + k);
            }
            vertical(rows.get(), y, count, Row<T>(out, y));
        }
    });
    return allocated;
}

bool Resample8(const QImage& in, QImage& out, const Taps* horizontalTaps, const Taps* verticalTaps,
               int threads)
{
    HorizontalTaps8 h;
    std::vector<std::int32_t> hWeights;
    std::vector<std::int16_t> hSplit;
    if (horizontalTaps) {
        h.taps = horizontalTaps->taps;
        h.stride = StrideOf4(h.taps);
        hWeights = FixedWeights(*horizontalTaps, h.stride);
        h.first = horizontalTaps->first.data();
        h.weight = hWeights.data();
        hSplit.resize(hWeights.size() * 2);
        if (SplitWeights(hWeights.data(), hWeights.size(), hSplit.data()))
            h.split = hSplit.data();
    }
    const int vStride = verticalTaps ? verticalTaps->taps : 0;
    const std::vector<std::int32_t> vWeights =
        verticalTaps ? FixedWeights(*verticalTaps, vStride) : std::vector<std::int32_t>();
    const int inWidth = in.width();
    const int outWidth = out.width();
    return ResampleRows<std::uint8_t>(
        in, out, verticalTaps, horizontalTaps != nullptr,
        [&](const std::uint8_t* src, std::uint8_t* dst) {
            FilterRowHorizontal8(src, inWidth, dst, outWidth, h);
        },
        [&](const std::uint8_t* const* rows, int y, int count, std::uint8_t* dst) {
            FilterRowVertical8(rows, &vWeights[std::size_t(y) * vStride], count, dst, outWidth * 4);
        },
        threads);
}

bool Resample16(const QImage& in, QImage& out, const Taps* horizontalTaps, const Taps* verticalTaps,
                int threads)
{
    HorizontalTaps16 h;
    if (horizontalTaps) {
        h.taps = horizontalTaps->taps;
        h.stride = horizontalTaps->taps;
        h.first = horizontalTaps->first.data();
        h.weight = horizontalTaps->weight.data();
    }
    const int inWidth = in.width();
    const int outWidth = out.width();
    return ResampleRows<std::uint16_t>(
        in, out, verticalTaps, horizontalTaps != nullptr,
        [&](const std::uint16_t* src, std::uint16_t* dst) {
            FilterRowHorizontal16(src, inWidth, dst, outWidth, h);
        },
        [&](const std::uint16_t* const* rows, int y, int count, std::uint16_t* dst) {
            FilterRowVertical16(rows, &verticalTaps->weight[std::size_t(y) * verticalTaps->taps],
                                count, dst, outWidth);
        },
        threads);
}

} // namespace

QImage ResampleBicubic(const QImage& source, int width, int height, int threads)
{
    if (source.isNull() || width <= 0 || height <= 0)
        return QImage();
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));

    if (source.width() == width && source.height() == height)
        return source;

    // Pictures with alpha are filtered premultiplied, at 16 bits so that
    // colours under a low alpha keep their precision.
    const bool sixteen = source.hasAlphaChannel() || HasWideChannels(source.format());
    const QImage::Format work =
        sixteen ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGB32;
    const QImage in = ConvertPixels(source, work);
    if (in.isNull())
        return QImage();

    QImage out(width, height, work);
    if (out.isNull())
        return QImage();
    Taps horizontalTaps, verticalTaps;
    if (in.width() != width)
        horizontalTaps = ComputeTaps(in.width(), width);
    if (in.height() != height)
        verticalTaps = ComputeTaps(in.height(), height);
    const Taps* h = in.width() != width ? &horizontalTaps : nullptr;
    const Taps* v = in.height() != height ? &verticalTaps : nullptr;
    const bool done =
        sixteen ? Resample16(in, out, h, v, threads) : Resample8(in, out, h, v, threads);
    return done ? out : QImage();
}
