// WMF records that change the device context: mapping, modes, colours and
// saved levels.
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

RecordResult Done(bool ok)
{
    return ok ? RecordResult::Played : RecordResult::Skipped;
}

// The four words of a scale record: yDenom, yNum, xDenom, xNum.
bool ReadScale(const WmfRecord& record, double (&v)[4])
{
    for (std::size_t i = 0; i < 4; ++i) {
        std::int16_t w = 0;
        if (!WmfI16(record, i, w))
            return false;
        v[i] = w;
    }
    return true;
}

} // namespace

RecordResult PlayWmfStateRecord(WmfPlayContext& play, const WmfRecord& record)
{
    GdiCore& core = play.core;
    DcState& state = core.State();
    PointD p;
    std::uint16_t u = 0;
    std::int16_t i = 0;
    Color color;
    double scale[4];
    switch (record.RecordFunction) {
    case META_SETWINDOWORG:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.SetWindowOrg(p);
        return RecordResult::Played;
    case META_SETWINDOWEXT:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.SetWindowExt(p);
        return RecordResult::Played;
    case META_SETVIEWPORTORG:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.SetViewportOrg(p);
        return RecordResult::Played;
    case META_SETVIEWPORTEXT:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.SetViewportExt(p);
        return RecordResult::Played;
    case META_OFFSETWINDOWORG:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.OffsetWindowOrg(p);
        return RecordResult::Played;
    case META_OFFSETVIEWPORTORG:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.OffsetViewportOrg(p);
        return RecordResult::Played;
    case META_SCALEWINDOWEXT:
        if (!ReadScale(record, scale))
            return RecordResult::Skipped;
        core.ScaleWindowExt(scale[3], scale[2], scale[1], scale[0]);
        return RecordResult::Played;
    case META_SCALEVIEWPORTEXT:
        if (!ReadScale(record, scale))
            return RecordResult::Skipped;
        core.ScaleViewportExt(scale[3], scale[2], scale[1], scale[0]);
        return RecordResult::Played;
    case META_SETMAPMODE:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        core.SetMapMode(int(u));
        return RecordResult::Played;
    case META_SAVEDC:
        core.SaveDC();
        return RecordResult::Played;
    case META_RESTOREDC:
        if (!WmfI16(record, 0, i))
            return RecordResult::Skipped;
        core.RestoreDC(i);
        return RecordResult::Played;
    case META_SETBKMODE:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        if (u == TRANSPARENT || u == OPAQUE)
            state.bkMode = int(u);
        return RecordResult::Played;
    case META_SETBKCOLOR:
        if (!WmfColor(record, 0, color))
            return RecordResult::Skipped;
        state.bkColor = color;
        return RecordResult::Played;
    case META_SETTEXTCOLOR:
        if (!WmfColor(record, 0, color))
            return RecordResult::Skipped;
        state.textColor = color;
        return RecordResult::Played;
    case META_SETROP2:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        core.SetRop2(int(u));
        return RecordResult::Played;
    case META_SETPOLYFILLMODE:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        if (u == ALTERNATE || u == WINDING)
            state.polyFillMode = int(u);
        return RecordResult::Played;
    case META_SETSTRETCHBLTMODE:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        state.stretchBltMode = int(u);
        return RecordResult::Played;
    case META_SETTEXTALIGN:
        if (!WmfU16(record, 0, u))
            return RecordResult::Skipped;
        state.textAlign = u;
        return RecordResult::Played;
    case META_SETTEXTCHAREXTRA:
        if (!WmfI16(record, 0, i))
            return RecordResult::Skipped;
        state.textCharExtra = i;
        return RecordResult::Played;
    // Records that change nothing a drawing into a true-colour bitmap shows.
    case META_SETRELABS:
    case META_SETMAPPERFLAGS:
    case META_SETLAYOUT:
    case META_SETTEXTJUSTIFICATION:
    case META_SELECTPALETTE:
    case META_REALIZEPALETTE:
    case META_ANIMATEPALETTE:
    case META_SETPALENTRIES:
    case META_RESIZEPALETTE:
        return Done(true);
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
