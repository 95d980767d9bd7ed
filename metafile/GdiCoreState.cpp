// The device context's mapping, saved levels, selected objects and modes.
#include "metafile/GdiCore.h"

#include "metafile/DibImage.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

bool Usable(double v) noexcept { return std::isfinite(v) && std::fabs(v) < 1e12; }
bool Usable(PointD p) noexcept { return Usable(p.x) && Usable(p.y); }

} // namespace

GdiCore::GdiCore(ICanvas& canvas, const Matrix& referenceToDevice, PlayBudget& budget)
    : m_canvas(canvas), m_referenceToDevice(referenceToDevice), m_budget(budget)
{
    SelectStockObject(BLACK_PEN);
    SelectStockObject(WHITE_BRUSH);
    SelectStockObject(SYSTEM_FONT);
}

void GdiCore::SetReferenceDevice(double pixelsPerMmX, double pixelsPerMmY)
{
    if (Usable(pixelsPerMmX) && Usable(pixelsPerMmY) && pixelsPerMmX > 0 && pixelsPerMmY > 0) {
        m_pixelsPerMmX = pixelsPerMmX;
        m_pixelsPerMmY = pixelsPerMmY;
    }
    SetMapMode(m_state.mapMode);
}

void GdiCore::SetMapMode(int mode)
{
    // The fixed modes: logical units per millimetre, y growing upwards.
    double unitsPerMm = 0;
    switch (mode) {
    case MM_TEXT:
        m_state.windowExt = {1, 1};
        m_state.viewportExt = {1, 1};
        break;
    case MM_LOMETRIC: unitsPerMm = 10; break;
    case MM_HIMETRIC: unitsPerMm = 100; break;
    case MM_LOENGLISH: unitsPerMm = 100 / 25.4; break;
    case MM_HIENGLISH: unitsPerMm = 1000 / 25.4; break;
    case MM_TWIPS: unitsPerMm = 1440 / 25.4; break;
    case MM_ISOTROPIC:
        // Entering isotropic from another mode starts from the metric square (as GDI does).
        if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC) {
            m_state.windowExt = {10 * 100, 10 * 100};
            m_state.viewportExt = {100 * m_pixelsPerMmX, -100 * m_pixelsPerMmY};
        }
        break;
    case MM_ANISOTROPIC: break; // keeps the extents in force
    default: return;
    }
    if (unitsPerMm > 0) {
        m_state.windowExt = {unitsPerMm * 100, unitsPerMm * 100};
        m_state.viewportExt = {100 * m_pixelsPerMmX, -100 * m_pixelsPerMmY};
    }
    m_state.mapMode = mode;
    if (mode == MM_ISOTROPIC)
        FixIsotropicExtents();
}

void GdiCore::FixIsotropicExtents()
{
    // Equal scale on both axes: the viewport extent is shrunk on the axis
    // that would otherwise scale more, keeping its sign.
    DcState& s = m_state;
    if (s.windowExt.x == 0 || s.windowExt.y == 0 || s.viewportExt.x == 0 || s.viewportExt.y == 0)
        return;
    const double scale = std::min(std::fabs(s.viewportExt.x / s.windowExt.x), std::fabs(s.viewportExt.y / s.windowExt.y));
    s.viewportExt.x = std::copysign(std::fabs(s.windowExt.x) * scale, s.viewportExt.x);
    s.viewportExt.y = std::copysign(std::fabs(s.windowExt.y) * scale, s.viewportExt.y);
}

void GdiCore::SetWindowOrg(PointD p)
{
    if (Usable(p))
        m_state.windowOrg = p;
}

void GdiCore::SetWindowExt(PointD e)
{
    if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC)
        return;
    if (!Usable(e) || e.x == 0 || e.y == 0)
        return;
    m_state.windowExt = e;
    if (m_state.mapMode == MM_ISOTROPIC)
        FixIsotropicExtents();
}

void GdiCore::SetViewportOrg(PointD p)
{
    if (Usable(p))
        m_state.viewportOrg = p;
}

void GdiCore::SetViewportExt(PointD e)
{
    if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC)
        return;
    if (!Usable(e) || e.x == 0 || e.y == 0)
        return;
    m_state.viewportExt = e;
    if (m_state.mapMode == MM_ISOTROPIC)
        FixIsotropicExtents();
}

void GdiCore::OffsetWindowOrg(PointD d)
{
    SetWindowOrg({m_state.windowOrg.x + d.x, m_state.windowOrg.y + d.y});
}

void GdiCore::OffsetViewportOrg(PointD d)
{
    SetViewportOrg({m_state.viewportOrg.x + d.x, m_state.viewportOrg.y + d.y});
}

void GdiCore::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    SetWindowExt({m_state.windowExt.x * xNum / xDenom, m_state.windowExt.y * yNum / yDenom});
}

void GdiCore::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    SetViewportExt({m_state.viewportExt.x * xNum / xDenom, m_state.viewportExt.y * yNum / yDenom});
}

void GdiCore::SetGraphicsMode(int mode)
{
    if (mode == GM_COMPATIBLE || mode == GM_ADVANCED)
        m_state.graphicsMode = mode;
}

void GdiCore::SetWorldTransform(const Matrix& m)
{
    if (m.IsFinite() && m.IsInvertible())
        m_state.world = m;
}

void GdiCore::ModifyWorldTransform(const Matrix& m, int mode)
{
    switch (mode) {
    case MWT_IDENTITY: m_state.world = Matrix{}; break;
    case MWT_LEFTMULTIPLY: SetWorldTransform(m * m_state.world); break;
    case MWT_RIGHTMULTIPLY: SetWorldTransform(m_state.world * m); break;
    case MWT_SET: SetWorldTransform(m); break;
    default: break;
    }
}

Matrix GdiCore::LogicalToReference() const
{
    const DcState& s = m_state;
    const double sx = s.viewportExt.x / s.windowExt.x;
    const double sy = s.viewportExt.y / s.windowExt.y;
    const Matrix page{sx, 0, 0, sy, s.viewportOrg.x - s.windowOrg.x * sx, s.viewportOrg.y - s.windowOrg.y * sy};
    return m_state.world * page;
}

Matrix GdiCore::LogicalToDevice() const { return LogicalToReference() * m_referenceToDevice; }

void GdiCore::ApplyLogicalTransform() { m_canvas.SetTransform(LogicalToDevice()); }

void GdiCore::ApplyReferenceTransform() { m_canvas.SetTransform(m_referenceToDevice); }

void GdiCore::SaveDC()
{
    if (m_saved.size() >= m_budget.Limits().maxSaveDepth)
        return;
    m_saved.push_back(m_state);
    m_canvas.SaveClip();
}

void GdiCore::RestoreDC(int n)
{
    const auto depth = static_cast<std::int64_t>(m_saved.size());
    std::int64_t keep = 0; // the saved levels left after restoring
    if (n < 0)
        keep = depth + n;
    else if (n > 0)
        keep = n - 1;
    else
        return;
    if (keep < 0 || keep >= depth)
        return;
    while (static_cast<std::int64_t>(m_saved.size()) > keep) {
        m_state = m_saved.back();
        m_saved.pop_back();
        m_canvas.RestoreClip();
    }
}

void GdiCore::SelectObject(const GdiObject& object)
{
    if (const auto* pen = std::get_if<LogPen>(&object))
        m_state.pen = *pen;
    else if (const auto* brush = std::get_if<LogBrush>(&object))
        m_state.brush = *brush;
    else if (const auto* font = std::get_if<LogFont>(&object))
        m_state.font = *font;
    else if (const auto* region = std::get_if<Region>(&object))
        SelectClipRegion(*region, ClipCombine::Copy);
}

void GdiCore::SelectStockObject(std::uint32_t index)
{
    if (index == DC_BRUSH) {
        m_state.brush = LogBrush{BS_SOLID, m_state.dcBrushColor, 0, nullptr, false};
        return;
    }
    if (index == DC_PEN) {
        m_state.pen = LogPen{PS_SOLID, 0, m_state.dcPenColor, {}, nullptr};
        return;
    }
    SelectObject(MakeStockObject(index));
}

void GdiCore::SetRop2(int rop2)
{
    if (rop2 >= 1 && rop2 <= 16)
        m_state.rop2 = rop2;
}

Pen GdiCore::CurrentPen() const
{
    const LogPen& lp = m_state.pen;
    Pen pen;
    pen.color = lp.color;
    switch (lp.style & PS_STYLE_MASK) {
    case PS_SOLID: pen.style = PenStyle::Solid; break;
    case PS_DASH: pen.style = PenStyle::Dash; break;
    case PS_DOT:
    case PS_ALTERNATE: pen.style = PenStyle::Dot; break;
    case PS_DASHDOT: pen.style = PenStyle::DashDot; break;
    case PS_DASHDOTDOT: pen.style = PenStyle::DashDotDot; break;
    case PS_NULL: pen.style = PenStyle::Null; break;
    case PS_INSIDEFRAME: pen.style = PenStyle::InsideFrame; break;
    case PS_USERSTYLE:
        pen.style = PenStyle::User;
        pen.dashes = lp.userStyle;
        break;
    default: pen.style = PenStyle::Solid; break;
    }
    switch (lp.style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: pen.cap = LineCap::Square; break;
    case PS_ENDCAP_FLAT: pen.cap = LineCap::Flat; break;
    default: pen.cap = LineCap::Round; break;
    }
    switch (lp.style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: pen.join = LineJoin::Bevel; break;
    case PS_JOIN_MITER: pen.join = LineJoin::Miter; break;
    default: pen.join = LineJoin::Round; break;
    }
    pen.miterLimit = m_state.miterLimit;
    // Width 0 is one device pixel whatever the mapping; otherwise the width
    // is in logical units and scales with them.
    if (lp.width <= 0) {
        pen.cosmetic = true;
        pen.width = 1;
    } else {
        pen.width = lp.width;
    }
    return pen;
}

Brush GdiCore::CurrentBrush() const
{
    const LogBrush& lb = m_state.brush;
    Brush brush;
    brush.color = lb.color;
    brush.background = m_state.bkColor;
    brush.opaqueBackground = m_state.bkMode == OPAQUE;
    switch (lb.style) {
    case BS_SOLID: brush.kind = BrushKind::Solid; break;
    case BS_NULL: brush.kind = BrushKind::Null; break;
    case BS_HATCHED:
        brush.kind = BrushKind::Hatch;
        brush.hatch = static_cast<int>(lb.hatch);
        break;
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT:
        if (lb.pattern && !lb.pattern->IsEmpty()) {
            brush.kind = BrushKind::Pattern;
            // A monochrome pattern takes the text colour for 0 bits, the background for 1 bits.
            brush.pattern = lb.monochromePattern ? std::make_shared<const Image>(RecolourMonochrome(
                                                       *lb.pattern, m_state.textColor, m_state.bkColor))
                                                 : lb.pattern;
            // Patterns are aligned to the device, one pattern pixel a reference pixel.
            brush.patternTransform = m_referenceToDevice * LogicalToDevice().Inverted();
        } else {
            brush.kind = BrushKind::Solid;
        }
        break;
    default: brush.kind = BrushKind::Solid; break;
    }
    return brush;
}

FillRule GdiCore::CurrentFillRule() const
{
    return m_state.polyFillMode == WINDING ? FillRule::Winding : FillRule::Alternate;
}

} // namespace metafile
