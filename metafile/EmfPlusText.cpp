// EMF+ text records: strings laid out in a rectangle by a string format,
// and driver strings placed glyph by glyph.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlusPlayer.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

constexpr std::uint32_t kFormatRightToLeft = 0x0001, kFormatNoWrap = 0x1000, kFormatNoClip = 0x4000;
constexpr std::uint32_t kDriverCmapLookup = 0x0001, kDriverRealizedAdvance = 0x0004;

// A brush as the one colour text is painted with.
Color TextColor(const Brush& brush)
{
    if ((brush.kind == BrushKind::LinearGradient || brush.kind == BrushKind::PathGradient) &&
        !brush.stops.empty())
        return brush.stops.front().color;
    return brush.color;
}

} // namespace

bool EmfPlusPlayer::FontFor(std::uint32_t id, FontSpec& out) const
{
    const PlusObject* o = m_objects.Get(id);
    if (!o || !std::holds_alternative<PlusFont>(*o))
        return false;
    const PlusFont& font = std::get<PlusFont>(*o);
    double em = font.emSize;
    if (font.unit != std::uint32_t(PlusUnit::World)) {
        // An em in its own unit, in page units.
        const double page = PlusUnitToPixels(m_pageUnit, m_dpiY) * m_pageScale;
        em = font.emSize * PlusUnitToPixels(font.unit, m_dpiY) / (page > 0 ? page : 1);
    }
    if (!std::isfinite(em) || !(em > 0))
        return false;
    out = FontSpec{};
    out.faceName = font.family;
    out.height = -em;
    out.weight = (font.style & 1) ? 700 : 400;
    out.italic = font.style & 2;
    out.underline = font.style & 4;
    out.strikeOut = font.style & 8;
    return true;
}

bool EmfPlusPlayer::PlayTextRecord(const PlusRecord& record, bool& mine)
{
    mine = true;
    EmfPlusReader r(record.data);
    Brush brush;
    FontSpec font;
    switch (record.type) {
    case 0x401C: { // DrawString
        if (!BrushFor(record.flags, r.U32(), brush) || !FontFor(record.flags & 0xFF, font))
            return false;
        const std::uint32_t formatId = r.U32(), length = r.U32();
        const RectD layout = r.Rect(false);
        if (!r.Ok() || length > r.Remaining() / 2 || length > m_budget.Limits().maxTextLength)
            return false;
        ICanvas::LayoutText text;
        text.font = font;
        for (std::uint32_t i = 0; i < length; ++i)
            text.text.push_back(char16_t(r.U16()));
        text.layout = layout;
        text.color = TextColor(brush);
        text.clip = true;
        // An absent format (or none given) lays out near, wrapped and clipped.
        const PlusObject* o = m_objects.Get(formatId);
        if (o && std::holds_alternative<PlusStringFormat>(*o)) {
            const PlusStringFormat& format = std::get<PlusStringFormat>(*o);
            text.alignment = int(std::min<std::uint32_t>(format.alignment, 2));
            text.lineAlignment = int(std::min<std::uint32_t>(format.lineAlignment, 2));
            text.noWrap = format.flags & kFormatNoWrap;
            text.clip = !(format.flags & kFormatNoClip);
            text.rightToLeft = format.flags & kFormatRightToLeft;
        }
        if (!r.Ok())
            return false;
        ApplyWorld();
        m_canvas.DrawLayoutText(text);
        return true;
    }
    case 0x4036: { // DrawDriverString
        if (!BrushFor(record.flags, r.U32(), brush) || !FontFor(record.flags & 0xFF, font))
            return false;
        const std::uint32_t options = r.U32(), matrixPresent = r.U32(), count = r.U32();
        // Two bytes of glyph and eight of position each.
        if (!r.Ok() || count > r.Remaining() / 10 || count > m_budget.Limits().maxTextLength)
            return false;
        std::u16string glyphs;
        for (std::uint32_t i = 0; i < count; ++i)
            glyphs.push_back(char16_t(r.U16()));
        std::vector<PointD> positions;
        if (!r.Points(count, false, false, m_budget, positions))
            return false;
        Matrix glyphTransform;
        if (matrixPresent)
            glyphTransform = r.Xform();
        // Glyph indices need the font file's own tables, which the canvas does not share.
        if (!r.Ok() || !(options & kDriverCmapLookup) || !glyphTransform.IsInvertible())
            return false;
        if (count == 0)
            return true;
        m_canvas.SetTransform(glyphTransform * WorldToDevice());
        TextRun run;
        run.font = font;
        run.color = TextColor(brush);
        run.align = TA_BASELINE;
        const bool realized = options & kDriverRealizedAdvance;
        bool level = true;
        for (const PointD& p : positions)
            level = level && p.y == positions[0].y;
        if (realized || level) {
            // One run: the first glyph's place and, unless the font's own
            // advances are asked for, the distance from each glyph to the next.
            run.text = glyphs;
            run.origin = positions[0];
            if (!realized) {
                const std::vector<double> own = m_canvas.TextAdvances(font, glyphs);
                for (std::size_t i = 0; i < count; ++i)
                    run.advances.push_back(i + 1 < count    ? positions[i + 1].x - positions[i].x
                                           : i < own.size() ? own[i]
                                                            : 0);
            }
            m_canvas.DrawText(run);
        } else {
            // Glyphs off one baseline: each at its own place.
            for (std::size_t i = 0; i < count; ++i) {
                const bool pair = i + 1 < count && glyphs[i] >= 0xD800 && glyphs[i] < 0xDC00;
                run.text = glyphs.substr(i, pair ? 2 : 1);
                run.origin = positions[i];
                m_canvas.DrawText(run);
                i += pair ? 1 : 0;
            }
        }
        return true;
    }
    default:
        mine = false;
        return false;
    }
}

} // namespace metafile
