#include "metafile/WmfRecords.h"

namespace metafile {

bool WmfRecordReader::Next(WmfRecord& out) noexcept
{
    if (!Walking())
        return false;
    std::uint32_t words = 0;
    std::uint16_t function = 0;
    if (!m_file.U32At(m_offset, words) || !m_file.U16At(m_offset + 4, function))
        return Stop(MetafileStatus::TruncatedRecords);
    // At least 3 words also means every record moves the walk on.
    const auto bytes = CheckedMul(words, 2);
    if (words < kWmfRecordMinWords || !bytes || !m_file.Holds(m_offset, *bytes))
        return Stop(MetafileStatus::BadRecordSize);
    out.RecordSize = words;
    out.RecordFunction = function;
    out.offset = m_offset;
    Take(*bytes, function == META_EOF, out.bytes);
    return true;
}

} // namespace metafile
