// Reading the fields that records share (points, rectangles, colours,
// transforms, point arrays), each read checked against the record.
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/Canvas.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <vector>

namespace metafile {

bool ReadPointL(const ByteReader& r, std::size_t offset, PointD& out) noexcept;  // two int32
bool ReadPointS(const ByteReader& r, std::size_t offset, PointD& out) noexcept;  // two int16
bool ReadRectL(const ByteReader& r, std::size_t offset, RectD& out) noexcept;    // left, top, right, bottom int32
bool ReadColorRef(const ByteReader& r, std::size_t offset, Color& out) noexcept; // R, G, B, reserved
bool ReadFloat(const ByteReader& r, std::size_t offset, float& out) noexcept;
bool ReadXform(const ByteReader& r, std::size_t offset, Matrix& out) noexcept;   // six floats

// count points of 32-bit (wide) or 16-bit pairs from offset; false when they
// do not fit in the record or the budget refuses them.
bool ReadPoints(const ByteReader& r, std::size_t offset, std::uint32_t count, bool wide, PlayBudget& budget,
                std::vector<PointD>& out);
// count 32-bit values from offset.
bool ReadU32Array(const ByteReader& r, std::size_t offset, std::uint32_t count, std::vector<std::uint32_t>& out);

} // namespace metafile
