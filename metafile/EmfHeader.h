// The EMR_HEADER record of an EMF file and what the imaging layer needs from
// it: the picture's size in pixels and its resolution.
#pragma once

#include "metafile/MetafileStatus.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

struct RectL
{
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct SizeL
{
    std::int32_t cx = 0, cy = 0;
};

// The header record's fields, as stored.
struct EmfHeader
{
    std::uint32_t nSize = 0;
    RectL rclBounds; // device units, inclusive
    RectL rclFrame;  // 0.01 mm, inclusive
    std::uint32_t dSignature = 0;
    std::uint32_t nVersion = 0;
    std::uint32_t nBytes = 0;
    std::uint32_t nRecords = 0;
    std::uint16_t nHandles = 0;
    std::uint32_t nDescription = 0;
    std::uint32_t offDescription = 0;
    std::uint32_t nPalEntries = 0;
    SizeL szlDevice;      // reference device, pixels
    SizeL szlMillimeters; // reference device, millimetres
    bool hasMicrometers = false;
    SizeL szlMicrometers; // reference device, micrometres (newer headers)
};

inline constexpr std::uint32_t kEmfHeaderMinSize = 88;
inline constexpr std::uint32_t kEmfHeaderMicrometersEnd = 108;
// Larger sides are refused as absurd rather than handed to an allocator.
inline constexpr std::int64_t kMaxPictureSide = 1 << 20;

// Reads and checks the first record. Ok, TruncatedHeader, BadHeader or
// NotMetafile.
MetafileStatus ReadEmfHeader(std::span<const std::uint8_t> bytes, EmfHeader& out) noexcept;

struct EmfPicture
{
    EmfHeader header;
    bool hasEmfPlus = false; // an EMR_COMMENT carries EMF+ records
    std::int32_t width = 0;  // pixels at the reference device's resolution
    std::int32_t height = 0;
    double dpiX = 0;
    double dpiY = 0;
    // How the walk over the records ended, and where.
    MetafileStatus recordStatus = MetafileStatus::Ok;
    std::size_t recordsRead = 0;
    std::size_t stopOffset = 0;
    bool reachedEof = false;
};

// The header plus a walk over every record. The status is the header's; a
// damaged record later on is told by recordStatus, keeping what was read.
MetafileStatus ReadEmfPicture(std::span<const std::uint8_t> bytes, EmfPicture& out) noexcept;

} // namespace metafile
