// Walking the records of an EMF file, one at a time, each checked before it
// is handed out.
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/RecordWalk.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

inline constexpr std::uint32_t EMR_HEADER = 1;
inline constexpr std::uint32_t EMR_EOF = 14;
inline constexpr std::uint32_t EMR_COMMENT = 70;
inline constexpr std::uint32_t kEmfPlusCommentIdentifier = 0x2B464D45; // "EMF+"
inline constexpr std::uint32_t kEmfRecordMinSize = 8;

struct EmfRecord
{
    std::uint32_t iType = 0;
    std::uint32_t nSize = 0;
    std::size_t offset = 0; // where the record starts in the file
    ByteReader bytes;       // the whole record, type and size included
};

class EmfRecordReader : public RecordWalk
{
public:
    explicit EmfRecordReader(std::span<const std::uint8_t> bytes) noexcept : RecordWalk(bytes, 0) {}

    // The next record, true; false once EMR_EOF has been handed out or a
    // record is damaged (then Status() says why and Offset() where).
    bool Next(EmfRecord& out) noexcept;
};

// True for an EMR_COMMENT record that carries EMF+ records.
bool IsEmfPlusComment(const EmfRecord& record) noexcept;

} // namespace metafile
