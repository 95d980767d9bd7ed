// Rounding and clamping shared by the resampler's row filters.
#pragma once

#include "convert/ResampleRows.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// A fixed-point sum rounded to 8 bits, halves up, clamped to 0..255.
inline std::uint8_t RoundFixed8(std::int32_t v)
{
    v = (v + (1 << (kResamplePrecisionBits - 1))) >> kResamplePrecisionBits;
    return std::uint8_t(std::clamp(v, 0, 255));
}

// One 8-bit output pixel of the horizontal pass: the taps from source pixel
// first, as many as the row still has.
inline void HorizontalPixel8(const std::uint8_t* src, int inWidth, std::uint8_t* q, int first,
                             const std::int32_t* wx, int taps)
{
    const int count = std::min(taps, inWidth - first);
    std::int32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    const std::uint8_t* p = src + std::size_t(first) * 4;
    for (int k = 0; k < count; ++k, p += 4) {
        c0 += p[0] * wx[k];
        c1 += p[1] * wx[k];
        c2 += p[2] * wx[k];
        c3 += p[3] * wx[k];
    }
    q[0] = RoundFixed8(c0);
    q[1] = RoundFixed8(c1);
    q[2] = RoundFixed8(c2);
    q[3] = RoundFixed8(c3);
}

// std::lround clamped to 0..65535, without the library call: truncate, then
// step away from zero when the remainder is at least a half. The remainder is
// exact while |v| is far below 2^52, as sums of 16-bit values with normalised
// weights are.
inline std::uint16_t RoundDouble16(double v)
{
    long i = long(v);
    const double rest = v - double(i);
    i += long(rest >= 0.5) - long(rest <= -0.5);
    return std::uint16_t(std::clamp(i, 0L, 65535L));
}

// Keeps premultiplied colours at or below their alpha after overshoot.
inline void ClampToAlpha(std::uint16_t* px)
{
    px[0] = std::min(px[0], px[3]);
    px[1] = std::min(px[1], px[3]);
    px[2] = std::min(px[2], px[3]);
}
