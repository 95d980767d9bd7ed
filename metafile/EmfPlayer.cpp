#include "metafile/EmfPlayer.h"

#include "metafile/EmfPlusPlayer.h"
#include "metafile/EmfRecordTypes.h"

#include <memory>

namespace metafile {

namespace {

// rclFrame (0.01 mm) in the reference device's pixels, mapped onto target:
// PlayEnhMetaFile's rule.
Matrix FrameToTarget(const EmfHeader& h, const RectD& target)
{
    const double pxPerMmX = h.szlMillimeters.cx > 0 ? double(h.szlDevice.cx) / h.szlMillimeters.cx : 96 / 25.4;
    const double pxPerMmY = h.szlMillimeters.cy > 0 ? double(h.szlDevice.cy) / h.szlMillimeters.cy : 96 / 25.4;
    double left = h.rclFrame.left * pxPerMmX / 100, top = h.rclFrame.top * pxPerMmY / 100;
    double width = (double(h.rclFrame.right) - h.rclFrame.left) * pxPerMmX / 100;
    double height = (double(h.rclFrame.bottom) - h.rclFrame.top) * pxPerMmY / 100;
    if (!(width > 0) || !(height > 0)) {
        // No usable frame: the bounds in device pixels stand in.
        left = h.rclBounds.left;
        top = h.rclBounds.top;
        width = double(h.rclBounds.right) - h.rclBounds.left + 1;
        height = double(h.rclBounds.bottom) - h.rclBounds.top + 1;
    }
    if (!(width > 0) || !(height > 0))
        return Matrix::Translation(target.left, target.top);
    const double sx = target.Width() / width, sy = target.Height() / height;
    return Matrix{sx, 0, 0, sy, target.left - left * sx, target.top - top * sy};
}

} // namespace

EmfPlayer::EmfPlayer(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target, PlayBudget& budget,
                     int nesting)
    : m_bytes(bytes), m_canvas(canvas), m_target(target), m_budget(budget), m_nesting(nesting),
      m_headerStatus(ReadEmfHeader(bytes, m_header)), m_core(canvas, FrameToTarget(m_header, target), budget)
{
    if (m_header.szlMillimeters.cx > 0 && m_header.szlMillimeters.cy > 0)
        m_core.SetReferenceDevice(double(m_header.szlDevice.cx) / m_header.szlMillimeters.cx,
                                  double(m_header.szlDevice.cy) / m_header.szlMillimeters.cy);
}

EmfPlayer::~EmfPlayer() = default;

PlayReport EmfPlayer::Play()
{
    PlayReport report;
    report.status = m_headerStatus;
    if (m_headerStatus != MetafileStatus::Ok)
        return report;

    EmfPlusPlayer emfPlus(*this, m_canvas, m_budget);
    EmfRecordReader records(m_bytes);
    EmfRecord record;
    m_canvas.SaveClip();
    while (records.Next(record)) {
        if (!m_budget.SpendRecord() || m_budget.Exhausted()) {
            report.budgetExhausted = true;
            break;
        }
        if (record.iType == EMR_HEADER || record.iType == EMR_EOF)
            continue;
        if (IsEmfPlusComment(record)) {
            emfPlus.PlayComment(record);
            ++report.recordsPlayed;
            continue;
        }
        if (!emfPlus.EmfRecordsEnabled())
            continue;
        RecordResult result = PlayEmfStateRecord(*this, record);
        if (result == RecordResult::NotMine)
            result = PlayEmfDrawingRecord(*this, record);
        if (result == RecordResult::NotMine)
            result = PlayEmfClipRecord(*this, record);
        if (result == RecordResult::NotMine)
            result = PlayEmfTextRecord(*this, record);
        if (result == RecordResult::NotMine)
            result = PlayEmfBitmapRecord(*this, record);
        if (result == RecordResult::Played)
            ++report.recordsPlayed;
        else if (record.iType != EMR_COMMENT)
            m_budget.CountSkipped();
    }
    m_canvas.RestoreClip();
    report.recordsSkipped = m_budget.Skipped();
    report.budgetExhausted = report.budgetExhausted || m_budget.Exhausted();
    report.stoppedAtDamage = records.Status() != MetafileStatus::Ok;
    return report;
}

} // namespace metafile
