#include "convert/ResampleRows.h"

#include "convert/ResamplePixels.h"
#include "convert/ResampleRowsAvx2.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

void Horizontal8(const std::uint8_t* src, int inWidth, std::uint8_t* dst, int outWidth,
                 const HorizontalTaps8& t)
{
    for (int x = 0; x < outWidth; ++x)
        HorizontalPixel8(src, inWidth, dst + std::size_t(x) * 4, t.first[x],
                         t.weight + std::size_t(x) * t.stride, t.taps);
}

// Columns are summed a block at a time so the sums stay in registers.
template <int Block>
inline void Vertical8Block(const std::uint8_t* const* rows, const std::int32_t* weight, int count,
                           std::uint8_t* dst, int at, int n)
{
    std::int32_t acc[Block] = {};
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* s = rows[k] + at;
        const std::int32_t w = weight[k];
        for (int j = 0; j < n; ++j)
            acc[j] += s[j] * w;
    }
    for (int j = 0; j < n; ++j)
        dst[at + j] = RoundFixed8(acc[j]);
}

void Vertical8(const std::uint8_t* const* rows, const std::int32_t* weight, int count,
               std::uint8_t* dst, int bytes)
{
    constexpr int kBlock = 64;
    int at = 0;
    for (; at + kBlock <= bytes; at += kBlock)
        Vertical8Block<kBlock>(rows, weight, count, dst, at, kBlock);
    if (at < bytes)
        Vertical8Block<kBlock>(rows, weight, count, dst, at, bytes - at);
}

void Horizontal16(const std::uint16_t* src, int inWidth, std::uint16_t* dst, int outWidth,
                  const HorizontalTaps16& t)
{
    for (int x = 0; x < outWidth; ++x) {
        const int first = t.first[x];
        const int count = std::min(t.taps, inWidth - first);
        const double* wx = t.weight + std::size_t(x) * t.stride;
        double c[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k) {
            const std::uint16_t* p = src + std::size_t(first + k) * 4;
            for (int ch = 0; ch < 4; ++ch)
                c[ch] += p[ch] * wx[k];
        }
        std::uint16_t* q = dst + std::size_t(x) * 4;
        for (int ch = 0; ch < 4; ++ch)
            q[ch] = RoundDouble16(c[ch]);
        ClampToAlpha(q);
    }
}

void Vertical16(const std::uint16_t* const* rows, const double* weight, int count,
                std::uint16_t* dst, int pixels)
{
    // A block of whole pixels at a time, so alpha is at hand for the clamp.
    constexpr int kBlock = 16;
    const int values = pixels * 4;
    for (int at = 0; at < values; at += kBlock) {
        const int n = std::min(kBlock, values - at);
        double acc[kBlock] = {};
        for (int k = 0; k < count; ++k) {
            const std::uint16_t* s = rows[k] + at;
            const double w = weight[k];
            for (int j = 0; j < n; ++j)
                acc[j] += s[j] * w;
        }
        for (int j = 0; j < n; ++j)
            dst[at + j] = RoundDouble16(acc[j]);
        for (int j = 0; j < n; j += 4)
            ClampToAlpha(dst + at + j);
    }
}

using Horizontal8Fn = void (*)(const std::uint8_t*, int, std::uint8_t*, int,
                               const HorizontalTaps8&);
using Vertical8Fn = void (*)(const std::uint8_t* const*, const std::int32_t*, int, std::uint8_t*,
                             int);
using Horizontal16Fn = void (*)(const std::uint16_t*, int, std::uint16_t*, int,
                                const HorizontalTaps16&);
using Vertical16Fn = void (*)(const std::uint16_t* const*, const double*, int, std::uint16_t*, int);

struct Filters
{
    ResampleIsa isa;
    Horizontal8Fn horizontal8;
    Vertical8Fn vertical8;
    Horizontal16Fn horizontal16;
    Vertical16Fn vertical16;
};

bool HasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

Filters FiltersFor(ResampleIsa isa)
{
    if (isa == ResampleIsa::Avx2)
        return {isa, FilterRowHorizontal8Avx2, FilterRowVertical8Avx2, FilterRowHorizontal16Avx2,
                FilterRowVertical16Avx2};
    return {ResampleIsa::Baseline, Horizontal8, Vertical8, Horizontal16, Vertical16};
}

Filters& Current()
{
    static Filters filters = FiltersFor(HasAvx2() ? ResampleIsa::Avx2 : ResampleIsa::Baseline);
    return filters;
}

} // namespace

bool SplitWeights(const std::int32_t* weight, std::size_t count, std::int16_t* split)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t high = weight[i] >> kResampleSplitShift;
        if (high < INT16_MIN || high > INT16_MAX)
            return false;
        const std::size_t group = i / 4 * 8 + i % 4;
        split[group] = std::int16_t(high);
        split[group + 4] = std::int16_t(weight[i] - high * (1 << kResampleSplitShift));
    }
    return true;
}

bool SelectResampleIsa(ResampleIsa isa)
{
    if (isa == ResampleIsa::Avx2 && !HasAvx2())
        return false;
    Current() = FiltersFor(isa);
    return true;
}

ResampleIsa CurrentResampleIsa()
{
    return Current().isa;
}

void FilterRowHorizontal8(const std::uint8_t* src, int inWidth, std::uint8_t* dst, int outWidth,
                          const HorizontalTaps8& taps)
{
    Current().horizontal8(src, inWidth, dst, outWidth, taps);
}

void FilterRowVertical8(const std::uint8_t* const* rows, const std::int32_t* weight, int count,
                        std::uint8_t* dst, int bytes)
{
    Current().vertical8(rows, weight, count, dst, bytes);
}

void FilterRowHorizontal16(const std::uint16_t* src, int inWidth, std::uint16_t* dst, int outWidth,
                           const HorizontalTaps16& taps)
{
    Current().horizontal16(src, inWidth, dst, outWidth, taps);
}

void FilterRowVertical16(const std::uint16_t* const* rows, const double* weight, int count,
                         std::uint16_t* dst, int pixels)
{
    Current().vertical16(rows, weight, count, dst, pixels);
}
