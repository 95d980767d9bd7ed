// The AVX2 forms of the row filters; call them only where the
// processor has AVX2.
#pragma once

#include "convert/ResampleRows.h"

void FilterRowHorizontal8Avx2(const std::uint8_t* src, int inWidth, std::uint8_t* dst, int outWidth,
                              const HorizontalTaps8& taps);
void FilterRowVertical8Avx2(const std::uint8_t* const* rows, const std::int32_t* weight, int count,
                            std::uint8_t* dst, int bytes);
void FilterRowHorizontal16Avx2(const std::uint16_t* src, int inWidth, std::uint16_t* dst,
                               int outWidth, const HorizontalTaps16& taps);
void FilterRowVertical16Avx2(const std::uint16_t* const* rows, const double* weight, int count,
                             std::uint16_t* dst, int pixels);
