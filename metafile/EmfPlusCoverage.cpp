// Whether the EMF+ player draws every EMF+ record a file uses. A dual file
// carries the same picture twice, so while some EMF+ drawing records are not
// drawn yet, such a file is better shown from its EMF records than with
// parts of its EMF+ picture missing.
#include "metafile/EmfPlusCoverage.h"

#include "metafile/EmfRecords.h"

namespace metafile {

namespace {

constexpr std::uint16_t kEmfPlusHeader = 0x4001;
constexpr std::uint16_t kDualFlag = 0x0001;

bool IsDrawn(std::uint16_t type) noexcept
{
    switch (type) {
    case 0x4010: // FillPie
    case 0x4011: // DrawPie
    case 0x4012: // DrawArc
    case 0x4013: // FillRegion
    case 0x4016: // FillClosedCurve
    case 0x4017: // DrawClosedCurve
    case 0x4018: // DrawCurve
    case 0x401A: // DrawImage
    case 0x401B: // DrawImagePoints
    case 0x401C: // DrawString
    case 0x4034: // SetClipRegion
    case 0x4035: // OffsetClip
    case 0x4036: // DrawDriverString
    case 0x4037: // StrokeFillPath
        return false;
    default: return true;
    }
}

} // namespace

EmfPlusCoverage SurveyEmfPlus(std::span<const std::uint8_t> bytes) noexcept
{
    EmfPlusCoverage coverage;
    EmfRecordReader records(bytes);
    EmfRecord record;
    while (records.Next(record)) {
        if (!IsEmfPlusComment(record)) {
            if (record.iType != EMR_HEADER && record.iType != EMR_EOF && record.iType != EMR_COMMENT)
                coverage.hasEmfDrawing = true;
            continue;
        }
        std::uint32_t dataSize = 0;
        ByteReader plus;
        if (!record.bytes.U32At(8, dataSize) || !record.bytes.Sub(16, dataSize - 4, plus))
            continue;
        std::size_t offset = 0;
        std::uint16_t type = 0, flags = 0;
        std::uint32_t size = 0;
        while (plus.U16At(offset, type) && plus.U16At(offset + 2, flags) && plus.U32At(offset + 4, size) &&
               size >= 12 && size <= plus.Size() - offset) {
            if (type == kEmfPlusHeader) {
                coverage.hasHeader = true;
                coverage.dual = (flags & kDualFlag) != 0;
            } else if (!IsDrawn(type)) {
                coverage.everyRecordDrawn = false;
            }
            offset += size;
        }
    }
    return coverage;
}

} // namespace metafile
