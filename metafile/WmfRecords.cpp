#include "metafile/WmfRecords.h"

namespace metafile {

bool WmfRecordReader::Next(WmfRecord& out) noexcept
{
    if (m_reachedEof || m_status != MetafileStatus::Ok)
        return false;
    std::uint32_t words = 0;
    std::uint16_t function = 0;
    if (!m_file.U32At(m_offset, words) || !m_file.U16At(m_offset + 4, function)) {
        m_status = MetafileStatus::TruncatedRecords;
        return false;
    }
    // At least 3 words also means every record moves the walk on.
    const auto bytes = CheckedMul(words, 2);
    if (words < kWmfRecordMinWords || !bytes || !m_file.Holds(m_offset, *bytes)) {
        m_status = MetafileStatus::BadRecordSize;
        return false;
    }
    out.RecordSize = words;
    out.RecordFunction = function;
    out.offset = m_offset;
    m_file.Sub(m_offset, *bytes, out.bytes);
    m_offset += *bytes;
    ++m_recordsRead;
    if (function == META_EOF)
        m_reachedEof = true;
    return true;
}

} // namespace metafile
