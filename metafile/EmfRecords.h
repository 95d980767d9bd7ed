// Walking the records of an EMF file, one at a time, each checked before it
// is handed out.
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/MetafileStatus.h"

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

class EmfRecordReader
{
public:
    explicit EmfRecordReader(std::span<const std::uint8_t> bytes) noexcept : m_file(bytes) {}

    // The next record, true; false once EMR_EOF has been handed out or a
    // record is damaged (then Status() says why and Offset() where).
    bool Next(EmfRecord& out) noexcept;

    MetafileStatus Status() const noexcept { return m_status; }
    bool ReachedEof() const noexcept { return m_reachedEof; }
    // The offset of the next record, or of the damaged one.
    std::size_t Offset() const noexcept { return m_offset; }
    std::size_t RecordsRead() const noexcept { return m_recordsRead; }

private:
    ByteReader m_file;
    std::size_t m_offset = 0;
    std::size_t m_recordsRead = 0;
    MetafileStatus m_status = MetafileStatus::Ok;
    bool m_reachedEof = false;
};

// True for an EMR_COMMENT record that carries EMF+ records.
bool IsEmfPlusComment(const EmfRecord& record) noexcept;

} // namespace metafile
