#include "metafile/RecordFields.h"

#include <bit>
#include <cmath>

namespace metafile {

bool ReadPointL(const ByteReader& r, std::size_t offset, PointD& out) noexcept
{
    std::int32_t x = 0, y = 0;
    if (!r.I32At(offset, x) || !r.I32At(offset + 4, y))
        return false;
    out = {double(x), double(y)};
    return true;
}

bool ReadPointS(const ByteReader& r, std::size_t offset, PointD& out) noexcept
{
    std::int16_t x = 0, y = 0;
    if (!r.I16At(offset, x) || !r.I16At(offset + 2, y))
        return false;
    out = {double(x), double(y)};
    return true;
}

bool ReadRectL(const ByteReader& r, std::size_t offset, RectD& out) noexcept
{
    std::int32_t v[4];
    for (int i = 0; i < 4; ++i)
        if (!r.I32At(offset + 4 * i, v[i]))
            return false;
    out = {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
    return true;
}

bool ReadColorRef(const ByteReader& r, std::size_t offset, Color& out) noexcept
{
    std::uint32_t v = 0;
    if (!r.U32At(offset, v))
        return false;
    out = {std::uint8_t(v & 0xFF), std::uint8_t((v >> 8) & 0xFF), std::uint8_t((v >> 16) & 0xFF), 255};
    return true;
}

bool ReadFloat(const ByteReader& r, std::size_t offset, float& out) noexcept
{
    std::uint32_t v = 0;
    if (!r.U32At(offset, v))
        return false;
    out = std::bit_cast<float>(v);
    return true;
}

bool ReadXform(const ByteReader& r, std::size_t offset, Matrix& out) noexcept
{
    float f[6];
    for (int i = 0; i < 6; ++i)
        if (!ReadFloat(r, offset + 4 * i, f[i]) || !std::isfinite(f[i]))
            return false;
    out = {f[0], f[1], f[2], f[3], f[4], f[5]};
    return true;
}

bool ReadPoints(const ByteReader& r, std::size_t offset, std::uint32_t count, bool wide, PlayBudget& budget,
                std::vector<PointD>& out)
{
    const std::size_t pointSize = wide ? 8 : 4;
    const auto bytes = CheckedMul(count, pointSize);
    if (!bytes || !r.Holds(offset, *bytes) || !budget.SpendPoints(count))
        return false;
    out.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool ok = wide ? ReadPointL(r, offset + i * pointSize, out[i]) : ReadPointS(r, offset + i * pointSize, out[i]);
        if (!ok)
            return false;
    }
    return true;
}

bool ReadU32Array(const ByteReader& r, std::size_t offset, std::uint32_t count, std::vector<std::uint32_t>& out)
{
    const auto bytes = CheckedMul(count, 4);
    if (!bytes || !r.Holds(offset, *bytes))
        return false;
    out.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        r.U32At(offset + 4 * std::size_t(i), out[i]);
    return true;
}

} // namespace metafile
