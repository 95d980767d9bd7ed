// What the EMF and WMF record readers share: the walk through the file, how
// far it got, and why it stopped.
#pragma once

#include "metafile/ByteReader.h"
#include "metafile/MetafileStatus.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

class RecordWalk
{
public:
    MetafileStatus Status() const noexcept { return m_status; }
    bool ReachedEof() const noexcept { return m_reachedEof; }
    // The offset of the next record, or of the damaged one.
    std::size_t Offset() const noexcept { return m_offset; }
    std::size_t RecordsRead() const noexcept { return m_recordsRead; }

protected:
    RecordWalk(std::span<const std::uint8_t> bytes, std::size_t offset) noexcept
        : m_file(bytes), m_offset(offset)
    {
    }

    bool Walking() const noexcept { return !m_reachedEof && m_status == MetafileStatus::Ok; }
    bool Stop(MetafileStatus why) noexcept
    {
        m_status = why;
        return false;
    }
    // The record of size bytes at the offset (already checked to fit) handed
    // out, and the walk moved past it.
    void Take(std::size_t size, bool isEof, ByteReader& record) noexcept
    {
        m_file.Sub(m_offset, size, record);
        m_offset += size;
        ++m_recordsRead;
        m_reachedEof = isEof;
    }

    ByteReader m_file;
    std::size_t m_offset = 0;

private:
    std::size_t m_recordsRead = 0;
    MetafileStatus m_status = MetafileStatus::Ok;
    bool m_reachedEof = false;
};

} // namespace metafile
