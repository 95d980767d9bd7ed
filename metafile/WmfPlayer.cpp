#include "metafile/WmfPlayer.h"

#include "metafile/WmfEmbeddedEmf.h"
#include "metafile/WmfHeader.h"
#include "metafile/WmfPlayContext.h"

namespace metafile {

namespace {

// PlayMetaFile's setting: the picture's box is the window, the target the
// viewport. The box is the placeable header's, or else the file's first
// window origin and extent; the file's own window records then take over.
void MapPictureOntoTarget(GdiCore& core, const WmfPicture& picture, const RectD& target)
{
    PointD org{0, 0};
    PointD ext{target.Width(), target.Height()};
    if (picture.hasPlaceable) {
        const WmfPlaceable& p = picture.placeable;
        org = {double(p.Left), double(p.Top)};
        ext = {double(p.Right) - p.Left, double(p.Bottom) - p.Top};
    } else {
        if (picture.hasWindowOrg)
            org = {double(picture.windowOrgX), double(picture.windowOrgY)};
        if (picture.hasWindowExt && picture.windowExtX != 0 && picture.windowExtY != 0)
            ext = {double(picture.windowExtX), double(picture.windowExtY)};
    }
    core.SetMapMode(MM_ANISOTROPIC);
    core.SetWindowOrg(org);
    core.SetWindowExt(ext);
    core.SetViewportOrg({target.left, target.top});
    core.SetViewportExt({target.Width(), target.Height()});
}

RecordResult PlayRecord(WmfPlayContext& play, const WmfRecord& record)
{
    RecordResult result = PlayWmfStateRecord(play, record);
    if (result == RecordResult::NotMine)
        result = PlayWmfObjectRecord(play, record);
    if (result == RecordResult::NotMine)
        result = PlayWmfDrawingRecord(play, record);
    if (result == RecordResult::NotMine)
        result = PlayWmfClipRecord(play, record);
    if (result == RecordResult::NotMine)
        result = PlayWmfTextRecord(play, record);
    if (result == RecordResult::NotMine)
        result = PlayWmfBitmapRecord(play, record);
    return result;
}

} // namespace

bool WmfPlayContext::AddObject(GdiObject object)
{
    const std::int64_t slot = objects.PutInFreeSlot(std::move(object));
    if (slot < 0)
        return false;
    if (std::size_t(slot) >= maxObjects) {
        objects.Erase(std::uint32_t(slot));
        return false;
    }
    return true;
}

PlayReport PlayWmf(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                   PlayBudget& budget, int nesting)
{
    PlayReport report;
    WmfPicture picture;
    report.status = ReadWmfPicture(bytes, picture);
    if (report.status != MetafileStatus::Ok)
        return report;

    // A WMF made from an EMF carries the EMF, which says more than its own records.
    const std::vector<std::uint8_t> emf = CollectEmbeddedEmf(bytes, picture.recordsOffset);
    if (!emf.empty()) {
        const PlayReport nested = PlayNestedMetafile(emf, canvas, target, budget, nesting + 1);
        if (nested.status == MetafileStatus::Ok)
            return nested;
    }

    GdiCore core(canvas, Matrix{}, budget);
    MapPictureOntoTarget(core, picture, target);
    ObjectTable objects;
    WmfPlayContext play{core, objects,
                        picture.header.NumberOfObjects ? std::size_t(picture.header.NumberOfObjects)
                                                       : ObjectTable::kMaxObjects};

    WmfRecordReader records(bytes, picture.recordsOffset);
    WmfRecord record;
    canvas.SaveClip();
    while (records.Next(record)) {
        if (!budget.SpendRecord() || budget.Exhausted()) {
            report.budgetExhausted = true;
            break;
        }
        if (record.RecordFunction == META_EOF)
            break;
        const RecordResult result = PlayRecord(play, record);
        if (result == RecordResult::Played)
            ++report.recordsPlayed;
        else
            budget.CountSkipped();
    }
    canvas.RestoreClip();
    report.recordsSkipped = budget.Skipped();
    report.budgetExhausted = report.budgetExhausted || budget.Exhausted();
    report.stoppedAtDamage = records.Status() != MetafileStatus::Ok;
    return report;
}

} // namespace metafile
