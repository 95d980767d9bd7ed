// Walking the records of a WMF file: sizes are in 16-bit words, and the
// file ends with a META_EOF record.
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/RecordWalk.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

inline constexpr std::uint16_t kWmfHeaderWords = 9;
inline constexpr std::uint16_t META_EOF = 0x0000;
inline constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
inline constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
inline constexpr std::uint32_t kWmfRecordMinWords = 3;

struct WmfRecord
{
    std::uint32_t RecordSize = 0; // in 16-bit words
    std::uint16_t RecordFunction = 0;
    std::size_t offset = 0; // where the record starts in the file
    ByteReader bytes;       // the whole record, size and function included
};

class WmfRecordReader : public RecordWalk
{
public:
    // The records start at recordsOffset (after the headers).
    WmfRecordReader(std::span<const std::uint8_t> bytes, std::size_t recordsOffset) noexcept
        : RecordWalk(bytes, recordsOffset)
    {
    }

    // The next record, true; false once META_EOF has been handed out or a
    // record is damaged (then Status() says why and Offset() where).
    bool Next(WmfRecord& out) noexcept;
};

} // namespace metafile
