#include "convert/Resampler.h"

#include "convert/PixelConversion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>
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
    return t;
}

// 8-bit weights in fixed point, as 32-bit accumulation allows.
constexpr int kPrecisionBits = 22;

std::vector<std::int32_t> FixedWeights(const Taps& t)
{
    std::vector<std::int32_t> fixed(t.weight.size());
    for (std::size_t i = 0; i < t.weight.size(); ++i)
        fixed[i] = std::int32_t(std::lround(t.weight[i] * (1 << kPrecisionBits)));
    return fixed;
}

inline std::uint8_t Clamp8(std::int32_t v)
{
    v = (v + (1 << (kPrecisionBits - 1))) >> kPrecisionBits;
    return std::uint8_t(std::clamp(v, 0, 255));
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

// Keeps premultiplied colours at or below their alpha after overshoot.
template <typename T> inline void ClampToAlpha(T* px)
{
    px[0] = std::min(px[0], px[3]);
    px[1] = std::min(px[1], px[3]);
    px[2] = std::min(px[2], px[3]);
}

void Horizontal8(const QImage& in, QImage& out, const Taps& t, int threads)
{
    const std::vector<std::int32_t> w = FixedWeights(t);
    const int outWidth = out.width();
    const int taps = t.taps;
    const int inWidth = in.width();
    RunInParallel(out.height(), threads, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* src = in.constScanLine(y);
            std::uint8_t* dst = out.scanLine(y);
            for (int x = 0; x < outWidth; ++x) {
                const int first = t.first[x];
                const int count = std::min(taps, inWidth - first);
                const std::int32_t* wx = &w[std::size_t(x) * taps];
                std::int32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
                const std::uint8_t* p = src + first * 4;
                for (int k = 0; k < count; ++k, p += 4) {
                    c0 += p[0] * wx[k];
                    c1 += p[1] * wx[k];
                    c2 += p[2] * wx[k];
                    c3 += p[3] * wx[k];
                }
                std::uint8_t* q = dst + x * 4;
                q[0] = Clamp8(c0);
                q[1] = Clamp8(c1);
                q[2] = Clamp8(c2);
                q[3] = Clamp8(c3);
            }
        }
    });
}

void Vertical8(const QImage& in, QImage& out, const Taps& t, int threads)
{
    const std::vector<std::int32_t> w = FixedWeights(t);
    const int width = out.width();
    const int taps = t.taps;
    const int inHeight = in.height();
    RunInParallel(out.height(), threads, [&](int begin, int end) {
        std::vector<std::int32_t> acc(std::size_t(width) * 4);
        for (int y = begin; y < end; ++y) {
            std::fill(acc.begin(), acc.end(), 0);
            const int first = t.first[y];
            const int count = std::min(taps, inHeight - first);
            const std::int32_t* wy = &w[std::size_t(y) * taps];
            for (int k = 0; k < count; ++k) {
                const std::uint8_t* src = in.constScanLine(first + k);
                const std::int32_t weight = wy[k];
                for (int i = 0; i < width * 4; ++i)
                    acc[i] += src[i] * weight;
            }
            std::uint8_t* dst = out.scanLine(y);
            for (int i = 0; i < width * 4; ++i)
                dst[i] = Clamp8(acc[i]);
        }
    });
}

void Horizontal16(const QImage& in, QImage& out, const Taps& t, int threads)
{
    const int outWidth = out.width();
    const int taps = t.taps;
    const int inWidth = in.width();
    RunInParallel(out.height(), threads, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const auto* src = reinterpret_cast<const std::uint16_t*>(in.constScanLine(y));
            auto* dst = reinterpret_cast<std::uint16_t*>(out.scanLine(y));
            for (int x = 0; x < outWidth; ++x) {
                const int first = t.first[x];
                const int count = std::min(taps, inWidth - first);
                const double* wx = &t.weight[std::size_t(x) * taps];
                double c[4] = {0, 0, 0, 0};
                for (int k = 0; k < count; ++k) {
                    const std::uint16_t* p = src + (first + k) * 4;
                    for (int ch = 0; ch < 4; ++ch)
                        c[ch] += p[ch] * wx[k];
                }
                std::uint16_t* q = dst + x * 4;
                for (int ch = 0; ch < 4; ++ch)
                    q[ch] = std::uint16_t(std::clamp(std::lround(c[ch]), 0L, 65535L));
                ClampToAlpha(q);
            }
        }
    });
}

void Vertical16(const QImage& in, QImage& out, const Taps& t, int threads)
{
    const int width = out.width();
    const int taps = t.taps;
    const int inHeight = in.height();
    RunInParallel(out.height(), threads, [&](int begin, int end) {
        std::vector<double> acc(std::size_t(width) * 4);
        for (int y = begin; y < end; ++y) {
            std::fill(acc.begin(), acc.end(), 0.0);
            const int first = t.first[y];
            const int count = std::min(taps, inHeight - first);
            for (int k = 0; k < count; ++k) {
                const auto* src =
                    reinterpret_cast<const std::uint16_t*>(in.constScanLine(first + k));
                const double weight = t.weight[std::size_t(y) * taps + k];
                for (int i = 0; i < width * 4; ++i)
                    acc[i] += src[i] * weight;
            }
            auto* dst = reinterpret_cast<std::uint16_t*>(out.scanLine(y));
            for (int i = 0; i < width * 4; ++i)
                dst[i] = std::uint16_t(std::clamp(std::lround(acc[i]), 0L, 65535L));
            for (int x = 0; x < width; ++x)
                ClampToAlpha(dst + x * 4);
        }
    });
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

    QImage horizontal = in;
    if (in.width() != width) {
        horizontal = QImage(width, in.height(), work);
        if (horizontal.isNull())
            return QImage();
        const Taps t = ComputeTaps(in.width(), width);
        if (sixteen)
            Horizontal16(in, horizontal, t, threads);
        else
            Horizontal8(in, horizontal, t, threads);
    }
    if (horizontal.height() == height)
        return horizontal;

    QImage out(width, height, work);
    if (out.isNull())
        return QImage();
    const Taps t = ComputeTaps(horizontal.height(), height);
    if (sixteen)
        Vertical16(horizontal, out, t, threads);
    else
        Vertical8(horizontal, out, t, threads);
    return out;
}
