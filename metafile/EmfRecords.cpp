#include "metafile/EmfRecords.h"

namespace metafile {

bool EmfRecordReader::Next(EmfRecord& out) noexcept
{
    if (m_reachedEof || m_status != MetafileStatus::Ok)
        return false;
    std::uint32_t type = 0, size = 0;
    if (!m_file.U32At(m_offset, type) || !m_file.U32At(m_offset + 4, size)) {
        m_status = MetafileStatus::TruncatedRecords;
        return false;
    }
    // Size at least 8 also means every record moves the walk on.
    if (size < kEmfRecordMinSize || size % 4 != 0 || !m_file.Holds(m_offset, size)) {
        m_status = MetafileStatus::BadRecordSize;
        return false;
    }
    out.iType = type;
    out.nSize = size;
    out.offset = m_offset;
    m_file.Sub(m_offset, size, out.bytes);
    m_offset += size;
    ++m_recordsRead;
    if (type == EMR_EOF)
        m_reachedEof = true;
    return true;
}

bool IsEmfPlusComment(const EmfRecord& record) noexcept
{
    // EMR_COMMENT: iType, nSize, DataSize, then the comment's identifier.
    std::uint32_t dataSize = 0, identifier = 0;
    return record.iType == EMR_COMMENT && record.bytes.U32At(8, dataSize) && dataSize >= 4 &&
           record.bytes.Holds(12, dataSize) && record.bytes.U32At(12, identifier) &&
           identifier == kEmfPlusCommentIdentifier;
}

} // namespace metafile
