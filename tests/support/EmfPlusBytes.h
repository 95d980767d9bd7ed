// Builders for EMF+ objects in tests: regions, images, fonts and string
// formats in their serialized form.
#pragma once

#include "support/MetafileBytes.h"

#include <bit>
#include <cstdint>
#include <string>

namespace metafilebytes {

inline void PutF(Bytes& out, float f)
{
    Put32(out, std::bit_cast<std::uint32_t>(f));
}

inline void PutVersion(Bytes& out)
{
    Put32(out, 0xDBC01002);
}

// Region nodes, written in the object's prefix order.
inline Bytes RegionRect(float x, float y, float w, float h)
{
    Bytes b;
    Put32(b, 0x10000000);
    for (float v : {x, y, w, h})
        PutF(b, v);
    return b;
}
// op: 1 and, 2 union, 3 xor, 4 exclude, 5 complement.
inline Bytes RegionCombine(std::uint32_t op, const Bytes& left, const Bytes& right)
{
    Bytes b;
    Put32(b, op);
    b.insert(b.end(), left.begin(), left.end());
    b.insert(b.end(), right.begin(), right.end());
    return b;
}
inline Bytes RegionObject(const Bytes& root, std::uint32_t nodeCount = 1)
{
    Bytes b;
    PutVersion(b);
    Put32(b, nodeCount);
    b.insert(b.end(), root.begin(), root.end());
    return b;
}

// A bitmap image of 32-bit ARGB pixels, rows top-down.
inline Bytes ArgbImageObject(int width, int height, const std::vector<std::uint32_t>& argb)
{
    Bytes b;
    PutVersion(b);
    Put32(b, 1); // bitmap
    Put32(b, std::uint32_t(width));
    Put32(b, std::uint32_t(height));
    Put32(b, std::uint32_t(width * 4));
    Put32(b, 0x0026200A);
    Put32(b, 0); // pixels
    for (std::uint32_t p : argb)
        Put32(b, p);
    return b;
}

// A bitmap image of compressed bytes (PNG, JPEG ...).
inline Bytes CompressedImageObject(int width, int height, const Bytes& data)
{
    Bytes b;
    PutVersion(b);
    Put32(b, 1);
    Put32(b, std::uint32_t(width));
    Put32(b, std::uint32_t(height));
    Put32(b, 0);
    Put32(b, 0x0026200A);
    Put32(b, 1); // compressed
    b.insert(b.end(), data.begin(), data.end());
    while (b.size() % 4) // records keep 32-bit sizes
        b.push_back(0);
    return b;
}

// A metafile image holding an EMF file.
inline Bytes EmfImageObject(const Bytes& emf)
{
    Bytes b;
    PutVersion(b);
    Put32(b, 2); // metafile
    Put32(b, 3); // EMF
    Put32(b, std::uint32_t(emf.size()));
    b.insert(b.end(), emf.begin(), emf.end());
    return b;
}

// unit: 0 world, 2 pixel, 3 point ...; style: 1 bold, 2 italic.
inline Bytes FontObject(float emSize, std::uint32_t unit, std::uint32_t style,
                        const std::u16string& family)
{
    Bytes b;
    PutVersion(b);
    PutF(b, emSize);
    Put32(b, unit);
    Put32(b, style);
    Put32(b, 0);
    Put32(b, std::uint32_t(family.size()));
    for (char16_t c : family)
        Put16(b, std::uint16_t(c));
    if (family.size() % 2)
        Put16(b, 0);
    return b;
}

inline Bytes StringFormatObject(std::uint32_t flags, std::uint32_t alignment,
                                std::uint32_t lineAlignment)
{
    Bytes b;
    PutVersion(b);
    Put32(b, flags);
    Put32(b, 0); // language
    Put32(b, alignment);
    Put32(b, lineAlignment);
    for (int i = 0; i < 10; ++i)
        Put32(b, 0);
    return b;
}

} // namespace metafilebytes
