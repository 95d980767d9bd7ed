// The headers of a WMF file (the optional placeable header, then the
// standard one) and the picture's size from them or from its records.
#pragma once

#include "metafile/MetafileStatus.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

struct WmfPlaceable
{
    std::uint32_t Key = 0;
    std::uint16_t HWmf = 0;
    std::int16_t Left = 0, Top = 0, Right = 0, Bottom = 0; // BoundingBox, logical units
    std::uint16_t Inch = 0;                                // logical units per inch
    std::uint32_t Reserved = 0;
    std::uint16_t Checksum = 0;
    std::uint16_t computedChecksum = 0; // XOR of the ten words before Checksum

    bool ChecksumMatches() const noexcept { return Checksum == computedChecksum; }
};

struct WmfHeader
{
    std::uint16_t Type = 0;       // 1 memory, 2 disk
    std::uint16_t HeaderSize = 0; // in words, always 9
    std::uint16_t Version = 0;
    std::uint32_t Size = 0; // the whole file, in words
    std::uint16_t NumberOfObjects = 0;
    std::uint32_t MaxRecord = 0;
    std::uint16_t NumberOfMembers = 0;
};

// The size a WMF reports, as the imaging library of the platform these files
// come from reports it: with a placeable header, the bounding box's size in
// its logical units taken as pixels, at Inch pixels per inch (so the
// picture keeps its size in inches); without one, the first
// META_SETWINDOWEXT's extent in pixels at this screen resolution.
inline constexpr double kWmfPixelDpi = 96.0;

struct WmfPicture
{
    bool hasPlaceable = false;
    WmfPlaceable placeable;
    WmfHeader header;
    std::size_t recordsOffset = 0; // the first record, after the headers
    // No placeable header: the size has to come from the records; the first
    // META_SETWINDOWEXT and META_SETWINDOWORG are given when present.
    bool sizeFromRecords = false;
    bool hasWindowExt = false;
    std::int16_t windowExtX = 0, windowExtY = 0;
    bool hasWindowOrg = false;
    std::int16_t windowOrgX = 0, windowOrgY = 0;
    // Pixels at dpi; 0 when nothing gave a size.
    std::int32_t width = 0;
    std::int32_t height = 0;
    double dpi = kWmfPixelDpi; // the placeable header's Inch when there is one
    // How the walk over the records ended, and where.
    MetafileStatus recordStatus = MetafileStatus::Ok;
    std::size_t recordsRead = 0;
    std::size_t stopOffset = 0;
    bool reachedEof = false;
};

// The headers plus a walk over every record. The status is the headers'
// (NotMetafile, TruncatedHeader, BadHeader or Ok); a damaged record later on
// is told by recordStatus, keeping what was read.
MetafileStatus ReadWmfPicture(std::span<const std::uint8_t> bytes, WmfPicture& out) noexcept;

} // namespace metafile
