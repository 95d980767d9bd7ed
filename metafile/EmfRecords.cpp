#include "metafile/EmfRecords.h"

namespace metafile {

bool EmfRecordReader::Next(EmfRecord& out) noexcept
{
    if (!Walking())
        return false;
    std::uint32_t type = 0, size = 0;
    if (!m_file.U32At(m_offset, type) || !m_file.U32At(m_offset + 4, size))
        return Stop(MetafileStatus::TruncatedRecords);
    // Size at least 8 also means every record moves the walk on.
    if (size < kEmfRecordMinSize || size % 4 != 0 || !m_file.Holds(m_offset, size))
        return Stop(MetafileStatus::BadRecordSize);
    out.iType = type;
    out.nSize = size;
    out.offset = m_offset;
    Take(size, type == EMR_EOF, out.bytes);
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
