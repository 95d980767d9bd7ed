// The row filters of the bicubic resampler: one output row at a time, so the
// resampler can filter horizontally into a few rows and vertically from them
// without a whole intermediate image. 8-bit rows use fixed-point weights
// scaled by 2^kResamplePrecisionBits, 16-bit rows double weights.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kResamplePrecisionBits = 22;

// Horizontal taps: output pixel x reads source pixels first[x] onwards,
// min(taps, inWidth - first[x]) of them, weighted by weight[x * stride + k].
// stride is at least taps, and a multiple of 4; the weights past taps are zero.
struct HorizontalTaps8
{
    int taps = 0;
    int stride = 0;
    const int* first = nullptr;
    const std::int32_t* weight = nullptr;
    // The same weights as 16-bit halves, w = high * 2048 + low, for
    // multiply-adds of 16-bit pairs: for each x, stride / 4 groups of four taps,
    // their four highs then their four lows. Null when some high part would
    // not fit 16 bits.
    const std::int16_t* split = nullptr;
};

constexpr int kResampleSplitShift = 11;

// Writes the split form of `count` weights (a multiple of 4) to `split`,
// which holds 2 * count values; false when a weight is too large to split.
bool SplitWeights(const std::int32_t* weight, std::size_t count, std::int16_t* split);

struct HorizontalTaps16
{
    int taps = 0;
    int stride = 0;
    const int* first = nullptr;
    const double* weight = nullptr;
};

// Which instructions the row filters use. Every choice gives the same pixels.
enum class ResampleIsa
{
    Baseline,
    Avx2,
};

// Chooses the row filters; false, and nothing changed, when this processor
// lacks the instructions. The best available is chosen at start.
bool SelectResampleIsa(ResampleIsa isa);
ResampleIsa CurrentResampleIsa();

// RGB32 / ARGB32 rows, 4 bytes a pixel.
void FilterRowHorizontal8(const std::uint8_t* src, int inWidth, std::uint8_t* dst, int outWidth,
                          const HorizontalTaps8& taps);
// dst[i] = the rounded sum over k < count of rows[k][i] * weight[k], for i < bytes.
void FilterRowVertical8(const std::uint8_t* const* rows, const std::int32_t* weight, int count,
                        std::uint8_t* dst, int bytes);

// RGBA64_Premultiplied rows, 4 channels of 16 bits a pixel; each result pixel
// keeps its colours at or below its alpha.
void FilterRowHorizontal16(const std::uint16_t* src, int inWidth, std::uint16_t* dst, int outWidth,
                           const HorizontalTaps16& taps);
void FilterRowVertical16(const std::uint16_t* const* rows, const double* weight, int count,
                         std::uint16_t* dst, int pixels);
