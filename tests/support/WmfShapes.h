// Common WMF records for tests that build files: pens, brushes, selection
// and shapes, with the parameters in the file's reversed order.
#pragma once

#include "metafile/WmfRecordTypes.h"
#include "support/MetafileBytes.h"

#include <cstdint>
#include <vector>

namespace metafilebytes {

inline std::uint16_t WmfWord(int v)
{
    return std::uint16_t(std::int16_t(v));
}

// 0xRRGGBB as a COLORREF in two words.
inline void AddWmfColor(std::vector<std::uint16_t>& p, std::uint32_t rgb)
{
    const std::uint32_t ref = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    p.push_back(std::uint16_t(ref & 0xFFFF));
    p.push_back(std::uint16_t(ref >> 16));
}

inline WmfBuilder& WmfSolidBrush(WmfBuilder& b, std::uint32_t rgb)
{
    std::vector<std::uint16_t> p{0}; // BS_SOLID
    AddWmfColor(p, rgb);
    p.push_back(0);
    return b.Record(metafile::META_CREATEBRUSHINDIRECT, p);
}

inline WmfBuilder& WmfNullPen(WmfBuilder& b)
{
    std::vector<std::uint16_t> p{5, 0, 0}; // PS_NULL
    AddWmfColor(p, 0);
    return b.Record(metafile::META_CREATEPENINDIRECT, p);
}

inline WmfBuilder& WmfSelect(WmfBuilder& b, int index)
{
    return b.Record(metafile::META_SELECTOBJECT, {WmfWord(index)});
}

inline WmfBuilder& WmfDelete(WmfBuilder& b, int index)
{
    return b.Record(metafile::META_DELETEOBJECT, {WmfWord(index)});
}

inline WmfBuilder& WmfRectangle(WmfBuilder& b, int l, int t, int r, int bottom)
{
    return b.Record(metafile::META_RECTANGLE,
                    {WmfWord(bottom), WmfWord(r), WmfWord(t), WmfWord(l)});
}

inline WmfBuilder& WmfPolygon(WmfBuilder& b, const std::vector<int>& xy)
{
    std::vector<std::uint16_t> p{std::uint16_t(xy.size() / 2)};
    for (int v : xy)
        p.push_back(WmfWord(v));
    return b.Record(metafile::META_POLYGON, p);
}

// The header's NumberOfObjects (offset 10 of the standard header).
inline void SetWmfObjectCount(Bytes& file, std::size_t headerOffset, std::uint16_t count)
{
    file[headerOffset + 10] = std::uint8_t(count & 0xFF);
    file[headerOffset + 11] = std::uint8_t(count >> 8);
}

} // namespace metafilebytes
