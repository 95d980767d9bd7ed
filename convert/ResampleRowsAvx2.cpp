// Compiled for the baseline processor; only these functions use AVX2, and
// they are called only where the processor has it.
#include "convert/ResampleRowsAvx2.h"

#include "convert/ResamplePixels.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#define RASTELLE_AVX2 __attribute__((target("avx2")))

namespace {

// Rounds fixed-point sums to whole values, as the scalar filters do; the
// saturating packs after it clamp to 0..255.
RASTELLE_AVX2 inline __m256i RoundToInt(__m256i sum)
{
    const __m256i half = _mm256_set1_epi32(1 << (kResamplePrecisionBits - 1));
    return _mm256_srai_epi32(_mm256_add_epi32(sum, half), kResamplePrecisionBits);
}

// Eight bytes widened to eight 32-bit lanes.
// Four 16-bit values as doubles.
RASTELLE_AVX2 inline __m256d Load4(const std::uint16_t* p)
{
    return _mm256_cvtepi32_pd(
        _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

RASTELLE_AVX2 inline __m256i Load8(const std::uint8_t* p)
{
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

} // namespace

// Four taps per step: the four pixels' channels paired tap by tap as 16-bit
// values, multiplied and added pairwise with the high and the low halves of
// the weights; high * 2048 + low gives exactly the 32-bit sums.
RASTELLE_AVX2 void FilterRowHorizontal8Avx2(const std::uint8_t* src, int inWidth, std::uint8_t* dst,
                                            int outWidth, const HorizontalTaps8& t)
{
    const __m128i pairTaps = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i highs = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const __m256i lows = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
    const int groups = t.stride / 4;
    for (int x = 0; x < outWidth; ++x) {
        const int first = t.first[x];
        std::uint8_t* q = dst + std::size_t(x) * 4;
        // Near the right edge the padded taps would read past the row.
        if (!t.split || first > inWidth - t.stride) {
            HorizontalPixel8(src, inWidth, q, first, t.weight + std::size_t(x) * t.stride, t.taps);
            continue;
        }
        const std::uint8_t* p = src + std::size_t(first) * 4;
        const std::int16_t* w = t.split + std::size_t(x) * t.stride * 2;
        __m256i high = _mm256_setzero_si256(), low = high;
        for (int g = 0; g < groups; ++g, p += 16, w += 8) {
            const __m256i px = _mm256_cvtepu8_epi16(
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), pairTaps));
            const __m256i wv =
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
            high = _mm256_add_epi32(high,
                                    _mm256_madd_epi16(px, _mm256_permutevar8x32_epi32(wv, highs)));
            low =
                _mm256_add_epi32(low, _mm256_madd_epi16(px, _mm256_permutevar8x32_epi32(wv, lows)));
        }
        const __m256i acc = _mm256_add_epi32(_mm256_slli_epi32(high, kResampleSplitShift), low);
        __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        sum = _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (kResamplePrecisionBits - 1))),
                             kResamplePrecisionBits);
        sum = _mm_packs_epi32(sum, sum);
        sum = _mm_packus_epi16(sum, sum);
        const std::uint32_t pixel = std::uint32_t(_mm_cvtsi128_si32(sum));
        std::memcpy(q, &pixel, 4);
    }
}

// 32 columns at a time, their sums in four registers over all the rows.
RASTELLE_AVX2 void FilterRowVertical8Avx2(const std::uint8_t* const* rows,
                                          const std::int32_t* weight, int count, std::uint8_t* dst,
                                          int bytes)
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int at = 0;
    for (; at + 32 <= bytes; at += 32) {
        __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0;
        for (int k = 0; k < count; ++k) {
            const std::uint8_t* s = rows[k] + at;
            const __m256i w = _mm256_set1_epi32(weight[k]);
            a0 = _mm256_add_epi32(a0, _mm256_mullo_epi32(Load8(s), w));
            a1 = _mm256_add_epi32(a1, _mm256_mullo_epi32(Load8(s + 8), w));
            a2 = _mm256_add_epi32(a2, _mm256_mullo_epi32(Load8(s + 16), w));
            a3 = _mm256_add_epi32(a3, _mm256_mullo_epi32(Load8(s + 24), w));
        }
        const __m256i lo = _mm256_packs_epi32(RoundToInt(a0), RoundToInt(a1));
        const __m256i hi = _mm256_packs_epi32(RoundToInt(a2), RoundToInt(a3));
        // The packs work within each 128-bit half; put the 4-byte groups back in order.
        const __m256i bytes8 = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo, hi), order);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + at), bytes8);
    }
    for (; at < bytes; ++at) {
        std::int32_t acc = 0;
        for (int k = 0; k < count; ++k)
            acc += rows[k][at] * weight[k];
        dst[at] = RoundFixed8(acc);
    }
}

// One pixel's four channels in one register: each channel's products and sums
// are the scalar filter's, in its order, each rounded on its own (no fused
// multiply-add).
RASTELLE_AVX2 void FilterRowHorizontal16Avx2(const std::uint16_t* src, int inWidth,
                                             std::uint16_t* dst, int outWidth,
                                             const HorizontalTaps16& t)
{
    for (int x = 0; x < outWidth; ++x) {
        const int first = t.first[x];
        const int count = std::min(t.taps, inWidth - first);
        const double* wx = t.weight + std::size_t(x) * t.stride;
        const std::uint16_t* p = src + std::size_t(first) * 4;
        __m256d c = _mm256_setzero_pd();
        for (int k = 0; k < count; ++k, p += 4)
            c = _mm256_add_pd(c, _mm256_mul_pd(Load4(p), _mm256_set1_pd(wx[k])));
        alignas(32) double sums[4];
        _mm256_store_pd(sums, c);
        std::uint16_t* q = dst + std::size_t(x) * 4;
        for (int ch = 0; ch < 4; ++ch)
            q[ch] = RoundDouble16(sums[ch]);
        ClampToAlpha(q);
    }
}

// Four pixels at a time, their sums in four registers over all the rows.
RASTELLE_AVX2 void FilterRowVertical16Avx2(const std::uint16_t* const* rows, const double* weight,
                                           int count, std::uint16_t* dst, int pixels)
{
    constexpr int kBlock = 16;
    const int values = pixels * 4;
    for (int at = 0; at < values; at += kBlock) {
        alignas(32) double sums[kBlock];
        const int n = std::min(kBlock, values - at);
        if (n == kBlock) {
            __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
            for (int k = 0; k < count; ++k) {
                const std::uint16_t* s = rows[k] + at;
                const __m256d w = _mm256_set1_pd(weight[k]);
                a0 = _mm256_add_pd(a0, _mm256_mul_pd(Load4(s), w));
                a1 = _mm256_add_pd(a1, _mm256_mul_pd(Load4(s + 4), w));
                a2 = _mm256_add_pd(a2, _mm256_mul_pd(Load4(s + 8), w));
                a3 = _mm256_add_pd(a3, _mm256_mul_pd(Load4(s + 12), w));
            }
            _mm256_store_pd(sums, a0);
            _mm256_store_pd(sums + 4, a1);
            _mm256_store_pd(sums + 8, a2);
            _mm256_store_pd(sums + 12, a3);
        } else {
            // The last pixels of the row, one at a time.
            for (int j = 0; j < n; j += 4) {
                __m256d a = _mm256_setzero_pd();
                for (int k = 0; k < count; ++k)
                    a = _mm256_add_pd(
                        a, _mm256_mul_pd(Load4(rows[k] + at + j), _mm256_set1_pd(weight[k])));
                _mm256_store_pd(sums + j, a);
            }
        }
        for (int j = 0; j < n; ++j)
            dst[at + j] = RoundDouble16(sums[j]);
        for (int j = 0; j < n; j += 4)
            ClampToAlpha(dst + at + j);
    }
}
