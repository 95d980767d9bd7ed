// EMF records that change the device context: mapping, modes, colours,
// saved levels and the pen and brush objects.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

namespace metafile {

namespace {

RecordResult Done(bool ok) { return ok ? RecordResult::Played : RecordResult::Skipped; }

bool ReadU32Field(const EmfRecord& record, std::uint32_t& out) { return record.bytes.U32At(8, out); }

RecordResult CreatePen(EmfPlayer& player, const EmfRecord& record)
{
    std::uint32_t index = 0, style = 0;
    std::int32_t width = 0;
    LogPen pen;
    if (!record.bytes.U32At(8, index) || !record.bytes.U32At(12, style) || !record.bytes.I32At(16, width) ||
        !ReadColorRef(record.bytes, 24, pen.color))
        return RecordResult::Skipped;
    pen.style = style & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK);
    pen.width = width < 0 ? -double(width) : double(width);
    return Done(player.Objects().Put(index, pen));
}

RecordResult ExtCreatePen(EmfPlayer& player, const EmfRecord& record)
{
    const ByteReader& r = record.bytes;
    std::uint32_t index = 0, style = 0, width = 0, brushStyle = 0, hatch = 0, entries = 0;
    LogPen pen;
    if (!r.U32At(8, index) || !r.U32At(28, style) || !r.U32At(32, width) || !r.U32At(36, brushStyle) ||
        !ReadColorRef(r, 40, pen.color) || !r.U32At(44, hatch) || !r.U32At(48, entries))
        return RecordResult::Skipped;
    pen.style = style;
    // A cosmetic pen is one pixel wide whatever the record says.
    pen.width = (style & PS_GEOMETRIC) ? double(width) : 0;
    if (brushStyle == BS_NULL)
        pen.style = (style & ~PS_STYLE_MASK) | PS_NULL;
    if ((style & PS_STYLE_MASK) == PS_USERSTYLE && entries > 0) {
        std::vector<std::uint32_t> dashes;
        if (entries > 16 || !ReadU32Array(r, 52, entries, dashes))
            pen.style = (style & ~PS_STYLE_MASK) | PS_SOLID;
        else
            for (std::uint32_t d : dashes)
                pen.userStyle.push_back(double(d));
    }
    return Done(player.Objects().Put(index, pen));
}

RecordResult CreateBrush(EmfPlayer& player, const EmfRecord& record)
{
    std::uint32_t index = 0;
    LogBrush brush;
    if (!record.bytes.U32At(8, index) || !record.bytes.U32At(12, brush.style) ||
        !ReadColorRef(record.bytes, 16, brush.color) || !record.bytes.U32At(20, brush.hatch))
        return RecordResult::Skipped;
    if (brush.style != BS_SOLID && brush.style != BS_NULL && brush.style != BS_HATCHED)
        brush.style = BS_SOLID;
    return Done(player.Objects().Put(index, brush));
}

RecordResult SelectObject(EmfPlayer& player, const EmfRecord& record)
{
    std::uint32_t index = 0;
    if (!ReadU32Field(record, index))
        return RecordResult::Skipped;
    if (index & kStockObjectFlag) {
        player.Core().SelectStockObject(index & ~kStockObjectFlag);
        return RecordResult::Played;
    }
    const GdiObject* object = player.Objects().Get(index);
    if (!object)
        return RecordResult::Skipped;
    player.Core().SelectObject(*object);
    return RecordResult::Played;
}

RecordResult DeleteObject(EmfPlayer& player, const EmfRecord& record)
{
    std::uint32_t index = 0;
    if (!ReadU32Field(record, index))
        return RecordResult::Skipped;
    // The selected copy stays in force, as a deleted GDI object stays selected.
    player.Objects().Erase(index);
    return RecordResult::Played;
}

} // namespace

RecordResult PlayEmfStateRecord(EmfPlayer& player, const EmfRecord& record)
{
    GdiCore& core = player.Core();
    DcState& state = core.State();
    const ByteReader& r = record.bytes;
    PointD p;
    std::uint32_t u = 0;
    Color color;
    Matrix m;
    switch (record.iType) {
    case EMR_SETWINDOWEXTEX:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.SetWindowExt(p);
        return RecordResult::Played;
    case EMR_SETWINDOWORGEX:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.SetWindowOrg(p);
        return RecordResult::Played;
    case EMR_SETVIEWPORTEXTEX:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.SetViewportExt(p);
        return RecordResult::Played;
    case EMR_SETVIEWPORTORGEX:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.SetViewportOrg(p);
        return RecordResult::Played;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
        std::int32_t v[4];
        for (int i = 0; i < 4; ++i)
            if (!r.I32At(8 + 4 * i, v[i]))
                return RecordResult::Skipped;
        if (record.iType == EMR_SCALEVIEWPORTEXTEX)
            core.ScaleViewportExt(v[0], v[1], v[2], v[3]);
        else
            core.ScaleWindowExt(v[0], v[1], v[2], v[3]);
        return RecordResult::Played;
    }
    case EMR_SETMAPMODE:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        core.SetMapMode(int(u));
        return RecordResult::Played;
    case EMR_SETBKMODE:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        if (u == TRANSPARENT || u == OPAQUE)
            state.bkMode = int(u);
        return RecordResult::Played;
    case EMR_SETPOLYFILLMODE:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        if (u == ALTERNATE || u == WINDING)
            state.polyFillMode = int(u);
        return RecordResult::Played;
    case EMR_SETROP2:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        core.SetRop2(int(u));
        return RecordResult::Played;
    case EMR_SETSTRETCHBLTMODE:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        state.stretchBltMode = int(u);
        return RecordResult::Played;
    case EMR_SETTEXTALIGN:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        state.textAlign = u;
        return RecordResult::Played;
    case EMR_SETTEXTCOLOR:
        if (!ReadColorRef(r, 8, color))
            return RecordResult::Skipped;
        state.textColor = color;
        return RecordResult::Played;
    case EMR_SETBKCOLOR:
        if (!ReadColorRef(r, 8, color))
            return RecordResult::Skipped;
        state.bkColor = color;
        return RecordResult::Played;
    case EMR_SETMITERLIMIT:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        if (u >= 1 && u <= 1000)
            state.miterLimit = u;
        return RecordResult::Played;
    case EMR_SETARCDIRECTION:
        if (!ReadU32Field(record, u))
            return RecordResult::Skipped;
        if (u == AD_COUNTERCLOCKWISE || u == AD_CLOCKWISE)
            state.arcDirection = int(u);
        return RecordResult::Played;
    case EMR_SAVEDC: core.SaveDC(); return RecordResult::Played;
    case EMR_RESTOREDC: {
        std::int32_t n = 0;
        if (!r.I32At(8, n))
            return RecordResult::Skipped;
        core.RestoreDC(n);
        return RecordResult::Played;
    }
    case EMR_SETWORLDTRANSFORM:
        if (!ReadXform(r, 8, m))
            return RecordResult::Skipped;
        core.SetWorldTransform(m);
        return RecordResult::Played;
    case EMR_MODIFYWORLDTRANSFORM:
        if (!ReadXform(r, 8, m) || !r.U32At(32, u))
            return RecordResult::Skipped;
        core.ModifyWorldTransform(m, int(u));
        return RecordResult::Played;
    case EMR_SELECTOBJECT: return SelectObject(player, record);
    case EMR_DELETEOBJECT: return DeleteObject(player, record);
    case EMR_CREATEPEN: return CreatePen(player, record);
    case EMR_EXTCREATEPEN: return ExtCreatePen(player, record);
    case EMR_CREATEBRUSHINDIRECT: return CreateBrush(player, record);
    // Records that change nothing a drawing into a true-colour bitmap shows.
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETICMMODE:
    case EMR_SETLAYOUT:
    case EMR_SELECTPALETTE:
    case EMR_CREATEPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE:
    case EMR_REALIZEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_COLORCORRECTPALETTE:
    case EMR_SETICMPROFILEA:
    case EMR_SETICMPROFILEW:
    case EMR_COLORMATCHTOTARGETW:
    case EMR_SETTEXTJUSTIFICATION:
    case EMR_SETLINKEDUFIS:
    case EMR_FORCEUFIMAPPING:
    case EMR_PIXELFORMAT:
    case EMR_COMMENT: return RecordResult::Played;
    default: return RecordResult::NotMine;
    }
}

} // namespace metafile
